// The command's side of the terminal: its arguments and its output, in UTF-8
// whatever the platform's own encoding of them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The command line's arguments after the program name, as UTF-8.
std::vector<std::string> utf8_arguments(int argc, char** argv);

// Writes UTF-8 text to standard output or standard error: as it is into a pipe
// or a file, and as characters a console shows right.
void write_output(std::string_view utf8);
void write_error(std::string_view utf8);
