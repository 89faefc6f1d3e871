#include "asm/messages.h"

#include <algorithm>
#include <array>

namespace kz::assembler {
namespace {

struct Message {
  int number;
  std::string_view text;
};

constexpr std::array kMessages = std::to_array<Message>({
    {20, "Can't open"},
    {21, "Can't close"},
    {22, "Can't read"},
    {23, "Can't write"},
    {24, "Can't seek"},
    {100, "No source file found in invocation"},
    {101, "Illegal file specification"},
    {102, "File must be a disk"},
    {103, "files are the same"},
    {104, "Duplicated source file name"},
    {105, "Bad parameter syntax"},
    {106, "Missing parameter"},
    {107, "Illegal sub option in '-l'"},
    {108, "Not parameter allowed"},
    {109, "Unrecognized option"},
    {110, "Numeric constant out of range"},
    {111, "Can't nest a command file"},
    {150, "Internal (system) error"},
    {151, "Illegal temporary file format"},
    {152, "Illegal source file format"},
    {153, "Unbalanced symbol table entries (missing scope)"},
    {154, "Internal object file error"},
    {155, "Too many expressions"},
    {156, "Optimization table overflow"},
    {157, "Symbol not in symbol table"},
    {158, "String table overflow"},
    {159, "Hash table overflow"},
    {160, "Symbol table overflow"},
    {161, "Out of memory"},
    {162, "Symbol table stack overflow"},
    {200, "Syntax error"},
    {201, "Attempt to divide by zero"},
    {202, "Illegal numeric constant"},
    {203, "Multi-defined symbol \"%s\""},
    {204, "Invalid relocatable expression"},
    {205, "Unbalanced parentheses"},
    {206, "Invalid expression"},
    {207, "Expecting identifier"},
    {208, "Illegal label or variable"},
    {209, "Illegal character string"},
    {210, "Not allowed public attribute"},
    {211, "Too many SECTIONS defined"},
    {212, "Illegal SECTION directive"},
    {213, "Absolute section address expected"},
    {214, ""},
    {215, "No section definision"},
    {216, "Invalid section attribute"},
    {217, "Absolute section error"},
    {218, "Illegal control"},
    {219, ""},
    {220, "Reference to multi-defined symbol"},
    {221, "Undefined symbol"},
    {222, "Absolute expression expected"},
    {223, "Not allowed forward reference"},
    {224, "Not allowed external reference"},
    {225, "Not allowed section reference"},
    {226, "Illegal symbol reference"},
    {227, "Out of range for relative reference"},
    {228, "Overflow in location counter"},
    {229, "Location counter can't point lower address"},
    {230, "Operand type mismatch"},
    {231, "Too few or many operands"},
    {232, "Section \"%s\" does not exist"},
    {233, ""},
    {234, "The nesting level is exceeded"},
    {235, "Can't open include file \"%s\""},
    {236, "File must be a disk"},
    {300, "Illegal operand value for CALLV or CALLP"},
    {500, "Illegal string constant"},
    {501, "Operand value is out of range"},
    {502, "Too long title"},
    {503, "Some optimizations lost"},
    {504, "Invalid instruction in this section"},
    {505, "Invalid directive in this section"},
    {506, "No END directive"},
    {507, "Text found after END statement"},
    {508, "Invalid value in ALIGN directive"},
    {509, "Duplicated MODULE directive"},
    {510, "Ignored this TITLE"},
    {511, "Ignored this EJECT"},
    {512, "Save stack overflow"},
    {513, "\"%s\" ignored extern symbol(s)"},
    {514, "Source file empty"},
    {515, "Illegal parameter"},
    {516, "Illegal escape sequence"},
    {517, "This section already has a different attribute"},
    {518, "The floating-point type is not correct"},
    {519, "Ignored option '%s'"},
    {550, "Can't create a sort table, display symbols at randam"},
});

constexpr bool sortedByNumber() {
  for (std::size_t i = 1; i < kMessages.size(); ++i) {
    if (kMessages[i - 1].number >= kMessages[i].number) return false;
  }
  return true;
}
static_assert(sortedByNumber(), "message table must stay in number order");

}  // namespace

MessageClass messageClassOf(int number) {
  if (number < 200) return MessageClass::fatal;
  if (number < 500) return MessageClass::error;
  return MessageClass::warning;
}

std::string_view messageText(int number) {
  auto found = std::lower_bound(kMessages.begin(), kMessages.end(), number,
                                [](const Message& message, int wanted) { return message.number < wanted; });
  return found != kMessages.end() && found->number == number ? found->text : std::string_view{};
}

std::string formatMessage(int number, std::string_view argument) {
  std::string_view text = messageText(number);
  std::string result(text);
  auto placeholder = result.find("%s");
  if (placeholder != std::string::npos) result.replace(placeholder, 2, argument);
  return result;
}

}  // namespace kz::assembler
