#include "json_script_object.h"
#include "parsed_document.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

using namespace std::chrono_literals;

// "\xD6\xD0\xCE\xC4" is the GBK form of two Chinese characters.

TEST(JsonScriptObject, ConstructionNamesTheDocument)
{
    JsonScriptObject object;
    EXPECT_EQ(object.var_name(), "da");
    ASSERT_TRUE(object.engine_object());
    EXPECT_EQ(object.engine_object()->eval_text("JSON.stringify(da)"), "{}");
    EXPECT_EQ(object.member_count(), 0);
    EXPECT_EQ(object.type_of(), JsonType::object);
}

TEST(JsonScriptObject, Parse)
{
    struct Case { Text text; bool expected; Text member; Text member_text; const char* why; };
    const Case cases[] = {
        {"", false, "", "", "the empty text leaves the document undefined"},
        {"null", false, "", "", "null"},
        {"0", true, "", "", "a number is a document"},
        {"{\"a\":\"x\"}", true, "a", "x", "strict JSON"},
        {"{a:'x', 'b':2}", true, "b", "2", "names without quotes, single-quoted strings"},
        {"'({a:\"x\"})'", true, "a", "x", "a quoted string is run as script in its turn"},
        {"'1+1'", true, "", "", "a quoted expression"},
        {"'null'", false, "", "", "a quoted string whose value is null"},
        {"''", false, "", "", "a quoted empty string evaluates to undefined"},
        {"{\"a\":", false, "a", "", "does not compile"},
        {"}{", false, "", "", "no script at all"},
        {"alert('x')", false, "", "", "raises: there is no alert"},
        {"[1,2", false, "", "", "an array cut short"},
    };
    for (const auto& c : cases) {
        JsonScriptObject object(tight);
        EXPECT_EQ(object.parse(c.text), c.expected) << c.why;
        if (!c.member.empty()) {
            EXPECT_EQ(object.get_text(c.member), c.member_text) << c.why;
        }
    }
}

TEST(JsonScriptObject, ParseStartsAfresh)
{
    JsonScriptObject object(tight);
    ASSERT_TRUE(object.parse("{a:1}"));
    ASSERT_TRUE(object.engine_object()->eval("var leftover = 5"));
    ASSERT_TRUE(object.parse("{b:2}"));
    EXPECT_EQ(object.get_text("a"), "");
    EXPECT_EQ(object.get_text("b"), "2");
    EXPECT_EQ(object.engine_object()->eval_text("typeof leftover"), "undefined");
    EXPECT_FALSE(object.parse(""));
    EXPECT_EQ(object.get_text("b"), "");
    EXPECT_EQ(object.get_number("b"), 0);
}

// The first parse after construction must start afresh as well, whatever ran in the
// new engine or shares it.
TEST(JsonScriptObject, FirstParseStartsAfresh)
{
    JsonScriptObject read_first(tight);
    (void)read_first.get_text("x,leaked=1");  // paths are script: this one leaves a global
    ASSERT_TRUE(read_first.parse("{a:1}"));
    EXPECT_EQ(read_first.engine_object()->eval_text("typeof leaked"), "undefined");

    JsonScriptObject copied_first(tight);
    JsonScriptObject copy = copied_first.copy();
    ASSERT_TRUE(copied_first.parse("{a:1}"));
    EXPECT_NE(copy.engine_object(), copied_first.engine_object());
    EXPECT_EQ(copy.member_count(), 0) << "the copy keeps the empty document";
    EXPECT_EQ(copied_first.get_text("a"), "1");
}

TEST(JsonScriptObject, GetText)
{
    JsonScriptObject object = parsed(
        "{\"n0\":0,\"n\":2000,\"neg\":-3,\"f\":1.5,\"s\":\"text\",\"z\":null,\"cn\":\"\xD6\xD0\xCE\xC4\","
        "\"o\":{\"inner\":\"x\",\"list\":[\"p\",\"q\"]},\"big\":30456807}");
    struct Case { Text path; Text expected; const char* why; };
    const Case cases[] = {
        {"n0", "0", "zero in the system's number form"},
        {"n", "2000", "a whole number"},
        {"neg", "-3", "a negative number"},
        {"f", "1.5", "a fraction"},
        {"big", "30456807", "a room number"},
        {"s", "text", "a string member"},
        {"cn", "\xD6\xD0\xCE\xC4", "Chinese text comes back in GBK"},
        {"o.inner", "x", "a chain of members"},
        {"o.list[1]", "q", "an index inside the chain"},
        {"z", "", "a null member"},
        {"absent", "", "an absent member"},
        {"absent.child", "", "a member of an absent parent"},
        {"", "", "the empty path is a bare point and fails"},
        {"o.", "", "a path that breaks the script"},
    };
    for (const auto& c : cases) EXPECT_EQ(object.get_text(c.path), c.expected) << c.why;

    struct JsonCase { Text path; Text expected; const char* why; };
    const JsonCase json_cases[] = {
        {"o", "{\"inner\":\"x\",\"list\":[\"p\",\"q\"]}", "an object member"},
        {"o.list", "[\"p\",\"q\"]", "an array member"},
        {"s", "\"text\"", "a string member is quoted"},
        {"n", "2000", "a number"},
        {"z", "null", "null"},
        {"absent", "", "an absent member has no JSON form"},
        {"", "", "the empty path fails"},
    };
    for (const auto& c : json_cases) EXPECT_EQ(object.get_text(c.path, true), c.expected) << c.why;
}

TEST(JsonScriptObject, PathsOnAnArrayDocument)
{
    JsonScriptObject object = parsed("[\"a\",\"b\",\"c\"]");
    EXPECT_EQ(object.get_text("[1]"), "b") << "no point before a bracket";
    EXPECT_EQ(object.type_of("[1]"), JsonType::other) << "type_of always inserts the point";
    EXPECT_EQ(object.member_count(), 3);
}

TEST(JsonScriptObject, GetNumber)
{
    JsonScriptObject object = parsed("{n:2000,f:-1.25,s:'x',t:'12',z:null,o:{}}");
    struct Case { Text path; double expected; const char* why; };
    const Case cases[] = {
        {"n", 2000, "a number"},
        {"f", -1.25, "a fraction"},
        {"t", 12, "a text with a numeric reading"},
        {"s", 0, "a text without one fails"},
        {"z", 0, "null"},
        {"o", 0, "an object"},
        {"absent", 0, "an absent member"},
        {"absent.child", 0, "an absent parent"},
    };
    for (const auto& c : cases) EXPECT_EQ(object.get_number(c.path), c.expected) << c.why;
}

TEST(JsonScriptObject, MemberCount)
{
    JsonScriptObject object = parsed("{arr:[1,2,3],obj:{a:1,b:2},empty:[],none:{},z:null,list:[{x:1}]}");
    struct Case { Text path; int expected; const char* why; };
    const Case cases[] = {
        {"arr", 3, "array elements"},
        {"obj", 2, "object members"},
        {"empty", 0, "an empty array"},
        {"none", 0, "an empty object"},
        {"list[0]", 1, "an element of an array"},
        {"", 6, "the empty path counts the document"},
        {"absent", -2, "an absent member of an existing parent"},
        {"z", -2, "a null member"},
        {"absent.child", 0, "a path through an absent parent fails"},
    };
    for (const auto& c : cases) EXPECT_EQ(object.member_count(c.path), c.expected) << c.why;
}

TEST(JsonScriptObject, TypeOf)
{
    JsonScriptObject object = parsed("({n:null,t:true,f:1.5,o:{},a:[],s:'x',fn:function(){}})");
    struct Case { Text path; JsonType expected; const char* why; };
    const Case cases[] = {
        {"n", JsonType::null_value, "null"},
        {"t", JsonType::boolean, "true"},
        {"f", JsonType::number, "1.5"},
        {"o", JsonType::object, "an empty object"},
        {"a", JsonType::array, "an empty array"},
        {"s", JsonType::string, "a string"},
        {"fn", JsonType::other, "a function"},
        {"absent", JsonType::null_value, "an absent member of an existing parent"},
        {"absent.child", JsonType::other, "an absent parent fails"},
        {"[0]", JsonType::other, "a path beginning with a bracket cannot compile"},
        {"", JsonType::object, "the document itself"},
    };
    for (const auto& c : cases) EXPECT_EQ(object.type_of(c.path), c.expected) << c.why;
}

TEST(JsonScriptObject, CopiesShareTheDocument)
{
    JsonScriptObject original = parsed("{a:'one'}");
    JsonScriptObject copy = original.copy();
    EXPECT_EQ(copy.var_name(), "da");
    EXPECT_EQ(copy.engine_object(), original.engine_object());
    EXPECT_EQ(copy.get_text("a"), "one");

    original.destroy();
    EXPECT_FALSE(original.engine_object());
    EXPECT_EQ(original.get_text("a"), "");
    EXPECT_EQ(copy.get_text("a"), "one") << "the engine lives on in the copy";
    original.destroy();  // a second destroy does nothing

    JsonScriptObject other = copy.copy();
    ASSERT_TRUE(other.parse("{a:'two'}"));
    EXPECT_NE(other.engine_object(), copy.engine_object()) << "a parse gives a new engine of its own";
    EXPECT_EQ(copy.get_text("a"), "one");
    EXPECT_EQ(other.get_text("a"), "two");
}

TEST(JsonScriptObject, WithoutEngineEverythingFails)
{
    JsonScriptObject object(ScriptLimits{200ms, 1024});  // too little room for an engine
    EXPECT_FALSE(object.engine_object());
    EXPECT_FALSE(object.parse("{a:1}"));
    EXPECT_EQ(object.get_text("a"), "");
    EXPECT_EQ(object.get_text("a", true), "");
    EXPECT_EQ(object.get_number("a"), 0);
    EXPECT_EQ(object.member_count(), 0);
    EXPECT_EQ(object.type_of("a"), JsonType::other);
    EXPECT_EQ(object.type_of(), JsonType::other);
    object.destroy();
}

TEST(JsonScriptObject, ChineseText)
{
    JsonScriptObject object = parsed("{\"\xD6\xD0\":\"\xCE\xC4\",\"nick\":\"\xD6\xD0\\u6587\"}");
    EXPECT_EQ(object.get_text("\xD6\xD0"), "\xCE\xC4") << "a Chinese member name in the path";
    EXPECT_EQ(object.get_text("nick"), "\xD6\xD0\xCE\xC4") << "an escape in the JSON text";
    EXPECT_EQ(object.get_text("nick", true), "\"\xD6\xD0\xCE\xC4\"");
    EXPECT_EQ(object.member_count(), 2);
}

// A description taken from a hostile page may try to hang or exhaust the engine; the
// parse ends within the budget plus half a second, reads give empty results, and the
// object stays usable.
TEST(JsonScriptObject, HostileDescriptions)
{
    const std::string long_texts = "var h='a'.repeat(3200000),q='a'.repeat(1600000)+'b';";
    struct Case { std::string text; bool parses; const char* why; };
    const Case cases[] = {
        {"'while(1){}'", false, "an endless loop, run from a quoted string"},
        {"\"while(1){}\"", false, "the same as one JSON string, whose content is still run"},
        {"(function(){ while(1){} })()", false, "an endless loop in a function"},
        {"(function(){ var a=[]; for (var i=0;;i++) a.push('s'+i) })()", false, "a memory bomb"},
        {"(function(){ kept=[]; for (var i=0;;i++) kept.push('s'+i) })()", false,
         "a memory bomb that fills the engine for good"},
        {"/(a+)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaac')", false,
         "a catastrophic regular expression"},
        {std::string(100000, '[') + std::string(100000, ']'), false, "very deep nesting"},
        {"{a:" + std::string(50000, '{') + std::string(50000, '}') + "}", false, "very deep object nesting"},
        {"(function(){ var a=[]; for (var i=0;i<2000;i++) a=[a]; return {deep:a} })()", true,
         "a deep value built at run time"},
        {"(function(){" + long_texts + "h.indexOf(q);return 1})(), \"status\"", false,
         "a long string search in a plain description"},
        {"(function(){" + long_texts + "h.lastIndexOf(q);h.split(q);return 1})()", false,
         "a long search backwards, then a split"},
        {"(function(){" + long_texts + "return {deep:h.replace(q,'')}})()", false, "a long replace"},
        {"(function(){ return {deep:/(a*)\\1c/.test('a'.repeat(20000))} })()", false,
         "a back-reference compared at every step"},
    };
    JsonScriptObject object(tight);
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(object.parse(c.text), c.parses) << c.why;
        EXPECT_LT(std::chrono::steady_clock::now() - start, tight.time_budget + 500ms) << c.why;
        EXPECT_EQ(object.get_text("deep", true), "") << c.why;
        EXPECT_EQ(object.get_text("deep[0]"), "") << c.why;

        EXPECT_TRUE(object.parse("{\"a\":\"ok\"}")) << c.why;
        EXPECT_EQ(object.get_text("a"), "ok") << c.why;
    }
}

// An operation makes several engine calls (get_text asks for the kind first, then the
// value), and some make engines of their own (get_object parses into a new object);
// together they end within one budget, whatever each call meets.
TEST(JsonScriptObject, AnOperationEndsWithinOneBudget)
{
    const ScriptLimits limits{1000ms, std::size_t{8} << 20, 0ms};
    JsonScriptObject object(limits);
    ASSERT_TRUE(object.parse("({get a(){ while(1){} }, s:'while(1){}', o:{toJSON:function(){ while(1){} }}})"));
    struct Case { std::function<void()> operation; const char* why; };
    const Case cases[] = {
        {[&] { EXPECT_EQ(object.get_text("a"), ""); }, "a member whose reading never ends"},
        {[&] { EXPECT_EQ(object.get_object("s").to_json(), "null"); }, "a string member run as script by a new object"},
        {[&] { EXPECT_EQ(object.type_of("o"), JsonType::object); }, "a member whose JSON text never ends"},
        {[&] { object.remove_path_element("a[0]"); }, "an array that never comes"},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        c.operation();
        EXPECT_LT(std::chrono::steady_clock::now() - start, limits.time_budget + 500ms) << c.why;
    }
    EXPECT_EQ(object.get_text("s"), "while(1){}") << "the object stays usable";
}
