#include "comma_decimal_locale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>

CommaDecimalLocale::CommaDecimalLocale()
{
    if (folder_.path().empty()) {
        why_ = "no temporary folder";
        return;
    }
    const auto source = folder_.path() / "comma.src";
    std::ofstream(source) << "LC_NUMERIC\n"
                             "decimal_point \"<U002C>\"\n"
                             "thousands_sep \"<U002E>\"\n"
                             "grouping 3;3\n"
                             "END LC_NUMERIC\n";
    // Only the numbers are defined; -c writes the locale despite the warnings
    // about the other categories, which stay as in the POSIX locale.
    const std::string command = "localedef -c -i '" + source.string() + "' '" +
                                (folder_.path() / "comma").string() + "' >/dev/null 2>&1";
    const int made = std::system(command.c_str());

    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    old_numeric_ = old ? old : "C";
    locale_path_ = std::make_unique<ScopedEnv>("LOCPATH", folder_.path().string());
    if (!std::setlocale(LC_NUMERIC, "comma")) {
        why_ = "localedef could not make a locale with a decimal comma (exit status " +
               std::to_string(made) + ")";
        return;
    }
    char written[16];
    std::snprintf(written, sizeof written, "%g", 1.5);
    active_ = std::string(written) == "1,5";
    if (!active_) why_ = "the locale does not write a decimal comma";
}

CommaDecimalLocale::~CommaDecimalLocale()
{
    std::setlocale(LC_NUMERIC, old_numeric_.c_str());
}
