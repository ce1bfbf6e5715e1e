#include "script_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using namespace std::chrono_literals;

namespace {

// A small budget and cap keep the hostile cases quick. No limit on an engine's
// total time here: the hostile cases run one after another on one engine.
const ScriptLimits tight{200ms, std::size_t{8} << 20, 0ms};

std::shared_ptr<ScriptEngine> make_engine(const ScriptLimits& limits = tight)
{
    auto engine = ScriptEngine::create(limits);
    EXPECT_NE(engine, nullptr);
    return engine;
}

}  // namespace

TEST(ScriptEngine, ResultsByKind)
{
    auto engine = make_engine();
    ASSERT_TRUE(engine);
    struct Case { const char* code; Text text; double number; bool boolean; const char* why; };
    const Case cases[] = {
        {"'abc'", "abc", 0, true, "a text has no numeric reading"},
        {"'12'", "12", 12, true, "a text with a numeric reading"},
        {"''", "", 0, false, "the empty text"},
        {"2000", "2000", 2000, true, "a number"},
        {"1.5", "1.5", 1.5, true, "a fraction"},
        {"0", "0", 0, false, "zero"},
        {"true", "true", 1, true, "a boolean"},
        {"null", "", 0, false, "null reads as nothing"},
        {"undefined", "", 0, false, "undefined reads as nothing"},
        {"var a=1; a+1", "2", 2, true, "a statement list gives its last expression statement"},
        {"var x=5", "", 0, false, "a declaration alone gives undefined"},
        {"if (1) { 'then' }", "then", 0, true, "the value of the statement that ran"},
        {"'\\u4e2d'", "\xD6\xD0", 0, true, "a Chinese character comes back in GBK"},
        {"'\xD6\xD0'.charCodeAt(0)", "20013", 20013, true, "GBK source text reaches the engine as U+4E2D"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(engine->eval_text(c.code), c.text) << c.why;
        EXPECT_EQ(engine->eval_number(c.code), c.number) << c.why;
        EXPECT_EQ(engine->eval_boolean(c.code), c.boolean) << c.why;
    }
}

TEST(ScriptEngine, FailedCalls)
{
    auto engine = make_engine();
    ASSERT_TRUE(engine);
    struct Case { const char* code; const char* why; };
    const Case cases[] = {
        {"1 +", "does not compile"},
        {"throw 'no'", "raises"},
        {"absent_name", "an unknown name"},
        {"absent_name.member", "a member of an unknown name"},
        {"(function f(){ f() })()", "endless recursion"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(engine->eval(c.code)) << c.why;
        EXPECT_FALSE(engine->add_code(c.code)) << c.why;
        EXPECT_EQ(engine->eval_text(c.code), "") << c.why;
        EXPECT_EQ(engine->eval_number(c.code), 0) << c.why;
        EXPECT_FALSE(engine->eval_boolean(c.code)) << c.why;
    }
    EXPECT_EQ(engine->eval_text("Symbol('s')"), "") << "a value that refuses conversion to text";
    EXPECT_EQ(engine->eval_text("'still here'"), "still here");
}

TEST(ScriptEngine, GlobalsOutliveTheCall)
{
    auto engine = make_engine();
    ASSERT_TRUE(engine);
    EXPECT_TRUE(engine->add_code("function twice(n){return 2*n} var kept=7"));
    EXPECT_TRUE(engine->eval("var also=1"));
    EXPECT_EQ(engine->eval_number("twice(kept)+also"), 15);
}

TEST(ScriptEngine, ScriptsReachNothingOutside)
{
    auto engine = make_engine();
    ASSERT_TRUE(engine);
    for (const char* name : {"require", "print", "alert", "console", "process", "XMLHttpRequest",
                             "fetch", "load", "readFile", "Packages", "module", "exports"}) {
        EXPECT_EQ(engine->eval_text(std::string("typeof ") + name), "undefined") << name;
    }
}

TEST(ScriptEngine, NotMadeWithoutRoom)
{
    EXPECT_EQ(ScriptEngine::create(ScriptLimits{200ms, 1024, 0ms}), nullptr);
}

TEST(ScriptEngine, ReadsJsonAsData)
{
    auto engine = make_engine();
    ASSERT_TRUE(engine);
    struct Case { Text json; JsonRead expected; Text stored; const char* why; };
    const Case cases[] = {
        {"{\"a\":[1,\"x\",null,true]}", JsonRead::other_value, "{\"a\":[1,\"x\",null,true]}", "an object"},
        {" [1.5e2] ", JsonRead::other_value, "[150]", "an array among blanks"},
        {"null", JsonRead::other_value, "null", "null is JSON too"},
        {"\"while(1){}\"", JsonRead::string, "\"while(1){}\"", "a string is data, whatever it holds"},
        {"{a:1}", JsonRead::not_json, "\"before\"", "a name without quotes"},
        {"['x']", JsonRead::not_json, "\"before\"", "a single-quoted string"},
        {"1+1", JsonRead::not_json, "\"before\"", "an expression"},
        {"while(1){}", JsonRead::not_json, "\"before\"", "a statement is never run"},
        {"[1,]", JsonRead::not_json, "\"before\"", "a trailing comma"},
        {"", JsonRead::not_json, "\"before\"", "the empty text"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(engine->eval("var doc = 'before'"));
        EXPECT_EQ(engine->read_json("doc", c.json), c.expected) << c.why;
        EXPECT_EQ(engine->eval_text("JSON.stringify(doc)"), c.stored) << c.why;
    }
}

TEST(ScriptEngine, ValuesArriveAsStrings)
{
    auto engine = make_engine();
    ASSERT_TRUE(engine);
    for (const Text& value : {Text("plain"), Text("'); kept = 'run'; ('"), Text("\\'\r\n\""), Text("\xD6\xD0"),
                             Text("\xD6'")}) {
        ASSERT_TRUE(engine->call_with_text("(function (value) { kept = value })", value)) << value;
        EXPECT_EQ(engine->eval_text("kept"), value == "\xD6'" ? Text("?'") : value) << value;
    }
    EXPECT_FALSE(engine->call_with_text("(function () { throw 1 })", "x")) << "a failed call";
    EXPECT_FALSE(engine->call_with_text("1 +", "x")) << "a function that does not compile";
}

// Each hostile script ends with a failed call within the budget plus half a second,
// and the same engine answers the next call. Many of them spend their time inside a
// single built-in call that allocates nothing, where only the engine's count of its
// native work reaches the deadline.
TEST(ScriptEngine, HostileScriptsAreStopped)
{
    // Two texts of a few megabytes whose naive search costs their product.
    const std::string long_texts = "var h='a'.repeat(3200000), q='a'.repeat(1600000)+'b'; ";
    // An array-like object of the greatest length, which costs nothing to make.
    const std::string huge_length = "var o={length:4294967295}; ";
    struct Case { std::string code; const char* why; };
    const Case cases[] = {
        {"while(1){}", "an endless loop"},
        {"try { while(1){} } catch (e) { while(1){} }", "a loop that catches the stop"},
        {"for(;;){ try { while(1){} } catch (e) {} }", "catching in a loop"},
        {"(function(){ var a=[]; for (var i=0;;i++) a.push('s'+i) })()", "a memory bomb of distinct strings"},
        {"(function(){ var s=[]; for(;;){ s.push(Array(100000).join('x')) } })()", "heavy built-in calls"},
        {"for(;;){ Array(100000).join('x') }", "heavy built-in calls, nothing kept"},
        {"/(a+)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaac')", "a catastrophic regular expression"},
        {"try { /(a+)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaac') } catch (e) { 'caught' }",
         "a catastrophic regular expression, caught"},
        {"var o = {}; o.toString = function(){ while(1){} }; o", "a conversion that never ends"},
        {"eval('[' + Array(100000).join('[') + Array(100000).join(']') + ']')", "very deep nesting"},
        {"(function(){ var a=[]; for (var i=0;i<20000;i++) a=[a]; return String(a) })()",
         "a deeply nested value turned into text"},
        {long_texts + "h.indexOf(q)", "indexOf of a long pattern"},
        {long_texts + "h.lastIndexOf(q)", "lastIndexOf of a long pattern"},
        {long_texts + "h.includes(q)", "includes of a long pattern"},
        {long_texts + "h.split(q)", "split at a long pattern"},
        {long_texts + "h.replace(q, '')", "replace of a long pattern"},
        {long_texts + "try { h.indexOf(q) } catch (e) { h.indexOf(q) }", "a long search, caught"},
        {"/(a*)\\1c/.test('a'.repeat(20000))", "a back-reference compared at every step"},
        {"var c='['; for (var i=0;i<20000;i++) c+='\\\\u'+(0x4e00+2*i).toString(16);"
         "new RegExp(c+']+x').test('\\u4e01'.repeat(200000))", "a character class of many ranges"},
        {huge_length + "Array.prototype.forEach.call(o, function(){})", "forEach over a huge length"},
        {huge_length + "Array.prototype.reverse.call(o)", "reverse of a huge length"},
        {"var a=[]; a.length=4294967295; a.join('')", "join of a huge empty array"},
        {"var a=[]; a.length=4294967294; a.unshift(1)", "unshift of a huge array"},
        {"var u={}; for (var i=0;i<30000;i++) u['k'+i]=undefined; var l=[];"
         "for (var i=0;i<30000;i++) l.push(u); JSON.stringify(l)", "JSON of one empty-looking object many times"},
        {"var s='x'.repeat(3000000); for(;;) s.lastIndexOf('y')", "a loop of whole-text scans"},
        {"var s=' '.repeat(3000000)+'1'; for(;;) Number(s)", "a loop of numbers read from long texts"},
        {"var s=' '.repeat(3000000); for(;;) s.trim()", "a loop of trims"},
        {"var a='x'.repeat(2000000)+'a', b='x'.repeat(2000000)+'b'; for(;;) a<b", "a loop of long comparisons"},
        {"var a='x'.repeat(1500000)+'a', b='x'.repeat(1500000)+'b', l=[];"
         "for (var i=0;i<2000;i++) l.push(i%2?a:b); l.sort()", "sorting long texts"},
        {"var u=new Uint8Array(3000000), v=new Uint8Array(3000000); for(;;) u.set(v)", "a loop of large copies"},
        {"var k=[]; try { for(;;) k.push('s'+k.length) } catch (e) {} for (var j=0;;j++) { try { k.push('x'+j) } catch (e) {} }",
         "a full heap whose failures are caught"},
        {"for (var i=0;i<20000;i++) Duktape.fin({}, function(){ 'a'.repeat(300000).indexOf('a'.repeat(150000)+'b') }); 1",
         "finalizers that search"},
    };
    auto engine = make_engine();
    ASSERT_TRUE(engine);
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(engine->eval_text(c.code), "") << c.why;
        EXPECT_LT(std::chrono::steady_clock::now() - start, tight.time_budget + 500ms) << c.why;
        EXPECT_EQ(engine->eval_text("'after ' + (1+1)"), "after 2") << c.why;
    }
}

// What a script keeps in globals stays counted against the cap: an engine filled up
// that way fails its calls until it is replaced (a parse always starts a new one).
TEST(ScriptEngine, FilledByGlobals)
{
    auto engine = make_engine();
    ASSERT_TRUE(engine);
    EXPECT_FALSE(engine->eval("var kept=[]; for (var i=0;;i++) kept.push('s'+i)"));
    auto fresh = make_engine();
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->eval_text("'fresh ' + (1+1)"), "fresh 2");
}

TEST(ScriptEngine, DestroyingBoundsFinalizers)
{
    auto engine = make_engine();
    ASSERT_TRUE(engine);
    // A finalizer runs when its object is freed: here inside the call, and when the
    // engine ends, outside any call. Both are stopped by the budget.
    engine->eval("var o = {}; Duktape.fin(o, function(){ while(1){} }); o = null; 1");
    EXPECT_EQ(engine->eval_text("'after ' + (1+1)"), "after 2");
    EXPECT_TRUE(engine->eval("var p = {}; Duktape.fin(p, function(){ while(1){} }); 1"));
    engine.reset();
}

// Reads of a document whose every member runs away cost one engine budget in all,
// not a call budget each.
TEST(ScriptEngine, AnEngineRunsOutOfTimeAsAWhole)
{
    auto engine = make_engine(ScriptLimits{100ms, std::size_t{8} << 20, 250ms});
    ASSERT_TRUE(engine);
    ASSERT_TRUE(engine->eval("var da = {get a(){ while(1){} }}; 1"));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(engine->eval_text("da.a"), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(engine->eval_text("'spent'"), "") << "once spent, every call fails";
    auto fresh = make_engine(ScriptLimits{100ms, std::size_t{8} << 20, 250ms});
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->eval_text("'fresh'"), "fresh");
}
