#include "records/coupon_lookup.h"

#include "common/number_text.h"
#include "editor/coupon_editor.h"

namespace sortwell {
namespace {

// A one-byte field's number; an empty field has none and counts as 0.
unsigned byte_number(const std::string& field) {
  return field.empty() ? 0 : static_cast<unsigned char>(field.front());
}

}  // namespace

void look_up_coupon(Program& program) {
  const std::string& code = program.session.input_line;
  RecordStore& records = program.records;
  if (code.empty()) return;
  const std::string path = record_path(program.session.data_dir, code);
  program.session.last_entry_path = path;
  if (!record_file_exists(path)) say_now(program, "no record found.");
  records.open_record_file(path);
  std::string image = records.read_record_image();
  if (image.empty()) {
    say_now(program, "I don't know this coupon");
    records.new_record(code);
    run_coupon_editor(program);
    image = records.read_record_image();
  }
  records.load_record(image);
  if (!program.session.edit_mode && !program.session.ghost_mode) records.add_one_to_quantity();
  if (program.session.edit_mode) run_coupon_editor(program);
  else announce_coupon(program);
  records.close_record_file();
}

void announce_coupon(Program& program) {
  show_coupon_menu(program);
  const CouponRecord& record = program.records.current();
  std::string place;
  if (const unsigned bin = byte_number(record.bin); bin > 0) place += " bin number " + number_text(bin);
  if (const unsigned category = byte_number(record.category); category > 0) {
    place += " as category " + number_text(category);
  }
  program.speech_text = record.manufacturer + " offers " + record.description + " quantity " +
                        number_text(quantity_count(record)) + place;
}

}  // namespace sortwell
