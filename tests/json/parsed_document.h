// Documents for the JSON object tests, on engines with a small budget and cap so
// that the hostile cases stay quick.
#pragma once

#include "json_script_object.h"

#include <gtest/gtest.h>

#include <chrono>

inline const ScriptLimits tight{std::chrono::milliseconds(200), std::size_t{8} << 20};

inline JsonScriptObject parsed(const Text& text)
{
    JsonScriptObject object(tight);
    EXPECT_TRUE(object.parse(text)) << text;
    return object;
}
