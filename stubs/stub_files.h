#pragma once
// What the stand-ins for the outside tools share: reading their words as the drivers pass
// them, whole-file input and output, and failing on request.
#include <string>
#include <vector>

namespace kz::stubs {

// The driver wraps a word holding a blank in double quotes.
std::string plainWord(std::string word);
// "-- name" escapes a name beginning with '-'.
std::string fileName(const std::string& word);

bool readFile(const std::string& name, std::string& text);
bool writeFile(const std::string& name, const std::string& text);

// When the current directory holds "<tool>.fail", the status written in it (1 when it holds
// no number); 0 otherwise. "<status> unless <word>" fails only when the word is not among
// the tool's arguments, so a retry with that word succeeds.
int requestedFailure(const std::string& tool, const std::vector<std::string>& words);

}  // namespace kz::stubs
