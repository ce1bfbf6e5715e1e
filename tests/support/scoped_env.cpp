#include "scoped_env.h"

#include <cstdlib>

namespace {

void put(const std::string& name, const std::optional<std::string>& value)
{
#ifdef _WIN32
    // An empty value removes the variable; the Windows environment block changes
    // too, so the system's own calls see it.
    _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value)
        setenv(name.c_str(), value->c_str(), 1);
    else
        unsetenv(name.c_str());
#endif
}

}  // namespace

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name))
{
    if (const char* old = std::getenv(name_.c_str())) old_value_ = old;
    put(name_, value);
}

ScopedEnv::~ScopedEnv()
{
    put(name_, old_value_);
}
