#include "editor/coupon_editor.h"

#include "categories/category_picker.h"
#include "common/number_text.h"
#include "common/upper_case.h"
#include "editor/field_entry.h"

namespace sortwell {
namespace {

unsigned first_byte(const std::string& field) { return static_cast<unsigned char>(field.front()); }

std::string category_line(const Program& program, const CouponRecord& record) {
  if (record.category.empty()) return "4) cat: [none setup yet]";
  return "4) cat: " + category_name(program.categories, static_cast<int>(first_byte(record.category)));
}

std::string value_line(const CouponRecord& record) {
  if (record.value.size() < 2) return "6) $ [unknown]";
  const unsigned hundredths = first_byte(record.value) + 256 * static_cast<unsigned char>(record.value[1]);
  return "6) $ " + number_text(hundredths / 10000.0, Precision::single_precision);
}

std::string number_needed_line(const CouponRecord& record) {
  if (record.number_needed.empty()) return "7) number needed to participate is unknown.";
  return "7) # " + number_text(first_byte(record.number_needed));
}

std::string bin_line(const CouponRecord& record) {
  if (record.bin.empty()) return "8) the bin designation for this is unknown.";
  return "8) bin# " + number_text(first_byte(record.bin));
}

void quantity_menu(Program& program) {
  Console& console = program.console;
  RecordStore& records = program.records;
  console.print_text("a)dd, r)emove, !)reset");
  console.print_newline();
  program.answer_text = console.read_key();
  const std::string answer = upper_case(program.answer_text);
  if (answer == "A") records.add_one_to_quantity();
  else if (answer == "R") records.remove_one_from_quantity();
  else if (answer == "!") records.reset_quantity();
  else return;
  show_coupon_menu(program);
}

void run_item(Program& program, const std::string& menu_key) {
  CouponRecord& record = program.records.current();
  if (menu_key == "1") {
    enter_manufacturer(program);
  } else if (menu_key == "2") {
    enter_expiry(program);
  } else if (menu_key == "3") {
    enter_description(program);
  } else if (menu_key == "4") {
    program.answer_text = pick_category(program.console, program.categories, program.picker_position);
    record.category = program.answer_text;
  } else if (menu_key == "5") {
    quantity_menu(program);
  } else if (menu_key == "6") {
    set_value(program);
    store_value(program);
  } else if (menu_key == "7") {
    enter_number_needed(program);
  } else if (menu_key == "8") {
    set_bin(program);
    store_bin(program);
  }
}

}  // namespace

void show_coupon_menu(Program& program) {
  Console& console = program.console;
  const CouponRecord& record = program.records.current();
  const std::string lines[] = {
      "create/edit coupon menu, item: " + program.session.input_line,
      "1) manu: " + record.manufacturer,
      "2) exp: " + record.expiry,
      "3) des: " + record.description,
      category_line(program, record),
      "5) Q = " + record.quantity,
      value_line(record),
      number_needed_line(record),
      bin_line(record),
      "",
  };
  for (const std::string& line : lines) {
    console.print_text(line);
    console.print_newline();
  }
}

void run_coupon_editor(Program& program) {
  say_now(program, "I now need you to tell me about your current coupon please.");
  program.speech_text = "ok";
  program.answer_text = " ";
  // The loop goes on while `answer_text` holds something; only an Enter
  // alone at the value or bin entry empties it.
  while (!program.answer_text.empty()) {
    show_coupon_menu(program);
    const std::string menu_key = program.console.read_key();
    if (menu_key == "\r") break;
    run_item(program, menu_key);
    show_coupon_menu(program);
  }
  program.records.save_record();
}

}  // namespace sortwell
