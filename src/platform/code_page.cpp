#include "platform/code_page.h"

namespace sortwell {

const CodePage& program_code_page() {
  static const CodePage code_page(upper_half_of_code_page());
  return code_page;
}

}  // namespace sortwell
