// Sets (or removes) one environment variable for the life of the object and puts
// the old state back afterwards.
#pragma once

#include <optional>
#include <string>

class ScopedEnv {
public:
    // value absent: the variable is removed for the duration.
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_value_;
};
