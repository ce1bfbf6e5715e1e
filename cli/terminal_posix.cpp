#include "terminal.h"

#include <cstdio>

std::vector<std::string> utf8_arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void write_output(std::string_view utf8)
{
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

void write_error(std::string_view utf8)
{
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}
