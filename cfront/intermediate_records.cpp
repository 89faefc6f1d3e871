#include "cfront/intermediate_records.h"

namespace kz::cfront {

void IntermediateRecords::sourceFileEntered(const std::string& name, std::uint32_t line) {
  if (options_.noFileLineRecords) return;
  output_.write("FILE,");
  output_.write(name);
  output_.write("\nLINE,");
  output_.write(std::to_string(line));
  output_.put('\n');
}

void IntermediateRecords::macroDefined(std::string_view name, std::string_view body) {
  if (options_.noFileLineRecords) return;
  output_.write("DEFINE,");
  output_.write(name.substr(0, 31));
  output_.put(',');
  output_.write(body);
  output_.put('\n');
}

}  // namespace kz::cfront
