// Puts the process's numbers under a locale that writes the decimal point as a
// comma (as German or French users have it), for the life of the object, and
// puts the old numeric locale back afterwards. The locale is compiled on the
// spot with localedef into a temporary folder, so no locale package is needed.
#pragma once

#include "scoped_env.h"
#include "temp_dir.h"

#include <memory>
#include <string>

class CommaDecimalLocale {
public:
    CommaDecimalLocale();
    ~CommaDecimalLocale();
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    // False when the locale could not be made or switched to; why() says why.
    bool active() const { return active_; }
    const std::string& why() const { return why_; }

private:
    TempDir folder_;
    std::unique_ptr<ScopedEnv> locale_path_;
    std::string old_numeric_;
    bool active_ = false;
    std::string why_;
};
