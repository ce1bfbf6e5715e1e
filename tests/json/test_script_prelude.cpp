#include "script_engine.h"
#include "script_prelude.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<ScriptEngine> engine_with_prelude()
{
    auto engine = ScriptEngine::create();
    EXPECT_NE(engine, nullptr);
    if (engine) {
        EXPECT_TRUE(engine->add_code(script_prelude));
    }
    return engine;
}

}  // namespace

TEST(ScriptPrelude, MemberCounts)
{
    auto engine = engine_with_prelude();
    ASSERT_TRUE(engine);
    struct Case { const char* value; double expected; const char* why; };
    const Case cases[] = {
        {"{}", 0, "empty object: the two inherited methods cancel the start"},
        {"{a:1,b:2}", 2, "own members"},
        {"[1,2,3]", 3, "array elements by index"},
        {"[]", 0, "empty array"},
        {"undefined", -2, "nothing to enumerate"},
        {"null", -2, "nothing to enumerate"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engine->eval_number(std::string("get__count(") + c.value + ")"), c.expected) << c.why;
    EXPECT_EQ(engine->eval_text("v"), "parseJSON") << "the loop variable stays behind as a global";
}

TEST(ScriptPrelude, CompactJson)
{
    auto engine = engine_with_prelude();
    ASSERT_TRUE(engine);
    struct Case { const char* code; Text expected; const char* why; };
    const Case cases[] = {
        {"JSON.stringify({s:'a' + String.fromCharCode(9216) + 'b'}).charCodeAt(7)", "9216",
         "U+2400 is written as it is"},
        {"JSON.stringify({s:'a\\\\b'})", "{\"s\":\"a\\\\b\"}", "a backslash is written twice"},
        {"JSON.stringify('\"\\b\\t\\n\\f\\r')", "\"\\\"\\b\\t\\n\\f\\r\"", "the two-character escapes"},
        {"JSON.stringify('\\u0001')", "\"\\u0001\"", "other control characters"},
        {"JSON.stringify([1,undefined,function(){}])", "[1,null,null]", "no JSON form in an array is null"},
        {"JSON.stringify({a:undefined,b:function(){},c:null})", "{\"c\":null}", "no JSON form in an object is left out"},
        {"JSON.stringify({n:2000,f:1.5,x:1/0,t:true})", "{\"n\":2000,\"f\":1.5,\"x\":null,\"t\":true}", "numbers and words"},
        {"JSON.stringify({d:new Date(0)})", "{\"d\":\"1970-01-01T00:00:00.000Z\"}", "a date becomes its ISO text"},
        {"typeof JSON.stringify(undefined)", "undefined", "no JSON form at the top"},
        {"({a:[1,{}]}).toJSONString()", "{\"a\":[1,{}]}", "the object method writes JSON"},
        {"'[1,2]'.parseJSON().length", "2", "the text method reads JSON"},
    };
    for (const auto& c : cases) EXPECT_EQ(engine->eval_text(c.code), c.expected) << c.why;
}

TEST(ScriptPrelude, KeepsWhatTheEngineHas)
{
    auto engine = ScriptEngine::create();
    ASSERT_TRUE(engine);
    ASSERT_TRUE(engine->add_code(
        "JSON = {stringify: function(){ return 'own' }, parse: function(){ return 'own' }};"
        "Object.prototype.toJSONString = function(){ return 'earlier' }"));
    ASSERT_TRUE(engine->add_code(script_prelude));
    EXPECT_EQ(engine->eval_text("JSON.stringify(1) + JSON.parse('1')"), "ownown");
    EXPECT_EQ(engine->eval_text("({}).toJSONString()"), "earlier");
    EXPECT_EQ(engine->eval_text("typeof ({}).parseJSON"), "undefined")
        << "both methods come only when toJSONString is missing";
}
