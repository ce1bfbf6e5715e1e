#include "comma_decimal_locale.h"
#include "json_script_object.h"
#include "parsed_document.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

using namespace std::chrono_literals;

// "\xD6\xD0\xCE\xC4" is the GBK form of two Chinese characters.

TEST(JsonWriting, SetTextRoundTrips)
{
    struct Case { Text value; Text json; const char* why; };
    const Case cases[] = {
        {"plain", "{\"v\":\"plain\"}", "plain text"},
        {"", "{\"v\":\"\"}", "the empty text"},
        {"say \"hi\"", "{\"v\":\"say \\\"hi\\\"\"}", "double quotes"},
        {"a\r\nb", "{\"v\":\"a\\r\\nb\"}", "CR and LF"},
        {"it's", "{\"v\":\"it's\"}", "a single quote is stored as given"},
        {"'", "{\"v\":\"'\"}", "a lone single quote"},
        {"\xD6\xD0\xCE\xC4", "{\"v\":\"\xD6\xD0\xCE\xC4\"}", "Chinese text"},
        {"\xD6\\\xCE\xC4", "{\"v\":\"\xD6\\\xCE\xC4\"}", "a GBK character whose second byte is a backslash"},
    };
    for (const auto& c : cases) {
        JsonScriptObject object(tight);
        object.set_text("v", c.value);
        EXPECT_EQ(object.get_text("v"), c.value) << c.why;
        EXPECT_EQ(object.to_json(), c.json) << c.why;
        EXPECT_EQ(object.type_of("v"), JsonType::string) << c.why;
    }
}

// A backslash is kept as U+2400 in the engine and comes out of to_json as one bare
// backslash: the caller writes JSON escapes into the value itself.
TEST(JsonWriting, SetTextBackslashPlaceholder)
{
    JsonScriptObject object(tight);
    object.set_text("path", "C:\\dir");
    object.set_text("esc", "\\u4e2d");
    EXPECT_EQ(object.to_json(), "{\"path\":\"C:\\dir\",\"esc\":\"\\u4e2d\"}");
    EXPECT_EQ(object.get_text("path"), "C:?dir") << "reads give the placeholder, which GBK cannot hold";
    EXPECT_EQ(object.engine_object()->eval_number("da.path.charCodeAt(2)"), 9216);

    JsonScriptObject reread(tight);
    ASSERT_TRUE(reread.parse(object.to_json()));
    EXPECT_EQ(reread.get_text("esc"), "\xD6\xD0") << "the escape took effect in the JSON text";
}

TEST(JsonWriting, SetTextPaths)
{
    JsonScriptObject object = parsed("{\"list\":[\"a\",\"b\"],\"o\":{}}");
    object.set_text("o.name", "x");
    object.set_text("list[1]", "B");
    object.set_text("fresh", "y");
    EXPECT_EQ(object.to_json(), "{\"list\":[\"a\",\"B\"],\"o\":{\"name\":\"x\"},\"fresh\":\"y\"}");

    // A path that evaluates to some text by itself gets no point: "0" joins as "da0".
    object.set_text("0", "zero");
    EXPECT_EQ(object.engine_object()->eval_text("da0"), "zero");
    EXPECT_EQ(object.get_text("0"), "") << "the document has no member 0";

    JsonScriptObject array_doc = parsed("[\"a\",\"b\"]");
    array_doc.set_text("[0]", "first");
    EXPECT_EQ(array_doc.to_json(), "[\"first\",\"b\"]") << "a bracket index joins without the point";

    // The name of an engine global evaluates to text as well.
    object.set_text("escape", "e");
    EXPECT_EQ(object.engine_object()->eval_text("daescape"), "e");

    object.set_text("absent.child", "z");
    EXPECT_EQ(object.get_text("absent", true), "") << "no parent: nothing is written";
}

TEST(JsonWriting, SetTextAsExpression)
{
    JsonScriptObject object(tight);
    object.set_text("a", "[1,2]", true);
    object.set_text("b", "", true);
    object.set_text("c", "1+2", true);
    object.set_text("d", "{x:", true);
    EXPECT_EQ(object.to_json(), "{\"a\":[1,2],\"b\":{},\"c\":3}");
}

TEST(JsonWriting, SetExpressionAndNumber)
{
    JsonScriptObject object(tight);
    object.set_expression("a", "{\"k\":[true,null]}");
    object.set_expression("b", "'\"t\"'");
    object.set_expression("c", "");
    object.set_number("n", 2000);
    object.set_number("f", -0.5);
    object.set_number("nan", std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(object.to_json(), "{\"a\":{\"k\":[true,null]},\"b\":\"t\",\"n\":2000,\"f\":-0.5}")
        << "an empty expression gives undefined, which JSON leaves out; NaN has no script text";
    EXPECT_EQ(object.get_number("n"), 2000);
    EXPECT_EQ(object.get_text("f"), "-0.5");

    object.set_number("[0]", 1);
    EXPECT_EQ(object.member_count(), 5) << "a, b, c (undefined), n and f; da.[0] does not compile";
}

TEST(JsonWriting, ToJsonAndGetJson)
{
    struct Case { Text document; Text json; const char* why; };
    const Case cases[] = {
        {"{a:1,b:[true,null,'s'],c:{}}", "{\"a\":1,\"b\":[true,null,\"s\"],\"c\":{}}", "compact form"},
        {"[]", "[]", "an empty array"},
        {"'\"text\"'", "\"text\"", "a string document"},
        {"({a:undefined,f:function(){}})", "{}", "no JSON form: left out"},
    };
    for (const auto& c : cases) EXPECT_EQ(parsed(c.document).to_json(), c.json) << c.why;

    JsonScriptObject null_doc(tight);
    EXPECT_FALSE(null_doc.parse("null"));
    EXPECT_EQ(null_doc.to_json(), "null");
    EXPECT_FALSE(null_doc.parse(""));
    EXPECT_EQ(null_doc.to_json(), "") << "an undefined document";

    JsonScriptObject object = parsed("{a:{b:[1,2]},s:'x'}");
    EXPECT_EQ(object.get_json("a"), "{\"b\":[1,2]}");
    EXPECT_EQ(object.get_json("a.b"), "[1,2]");
    EXPECT_EQ(object.get_json("s"), "\"x\"");
    EXPECT_EQ(object.get_json("absent"), "");
    EXPECT_EQ(object.get_json("absent.child"), "");
}

TEST(JsonWriting, ObjectsReadIntoNewObjects)
{
    JsonScriptObject object = parsed("{a:{b:[1,2],d:new Date(0),f:function(){}},list:[{x:'one'},{x:'two'}]}");
    JsonScriptObject part = object.get_object("a");
    EXPECT_NE(part.engine_object(), object.engine_object());
    EXPECT_EQ(part.to_json(), "{\"b\":[1,2],\"d\":\"1970-01-01T00:00:00.000Z\"}")
        << "a deep copy through JSON text: the function is dropped, the date is a string";
    part.set_number("b[0]", 9);
    EXPECT_EQ(object.get_text("a.b[0]"), "1") << "independent of the original";

    EXPECT_EQ(object.get_element_object(1, "list").get_text("x"), "two");
    EXPECT_EQ(object.get_object("list[0]").get_text("x"), "one");

    JsonScriptObject absent = object.get_object("absent");
    EXPECT_EQ(absent.type_of(), JsonType::null_value);
    EXPECT_EQ(absent.to_json(), "") << "the document of an absent member is undefined";

    JsonScriptObject array_doc = parsed("[{x:1},{x:2}]");
    EXPECT_EQ(array_doc.get_object("[1]").get_text("x"), "2");
    EXPECT_EQ(array_doc.get_element_object(0).get_text("x"), "1");
}

TEST(JsonWriting, Append)
{
    struct Case { Text document; Text value; Text path; bool as_expression; Text json; const char* why; };
    const Case cases[] = {
        {"{a:[1]}", "x", "a", false, "{\"a\":[1,\"x\"]}", "to an array member"},
        {"{a:[1]}", "{\"k\":2}", "a", true, "{\"a\":[1,{\"k\":2}]}", "an expression"},
        {"{}", "x", "a", false, "{\"a\":[\"x\"]}", "an absent member becomes an array"},
        {"{a:'s'}", "x", "a", false, "{\"a\":[\"x\"]}", "a string member is replaced by an array"},
        {"[1]", "2", "", true, "[1,2]", "the document itself"},
        {"{b:1}", "x", "", false, "[\"x\"]", "a document that is no array is replaced"},
        {"{a:[]}", "it's", "a", false, "{\"a\":[\"it's\"]}", "a quote is stored as given"},
        {"{a:[]}", "\\u4e2d", "a", false, "{\"a\":[\"\\\\u4e2d\"]}", "a backslash is stored as given"},
        {"{a:[]}", "'\\u4e2d'", "a", true, "{\"a\":[\"\xD6\xD0\"]}", "an expression's escapes take effect"},
        {"{a:[]}", "\xD6\xD0", "a", false, "{\"a\":[\"\xD6\xD0\"]}", "Chinese text"},
        {"{}", "x", "absent.child", false, "{}", "no parent"},
    };
    for (const auto& c : cases) {
        JsonScriptObject object = parsed(c.document);
        object.append(c.value, c.path, c.as_expression);
        EXPECT_EQ(object.to_json(), c.json) << c.why;
    }
}

TEST(JsonWriting, Elements)
{
    JsonScriptObject object = parsed("['a','b','c']");
    EXPECT_EQ(object.get_element_text(1), "b");
    EXPECT_EQ(object.get_element_text(1, "", true), "\"b\"");
    EXPECT_EQ(object.get_element_text(5), "") << "past the end";

    object.set_element(0, "A");
    object.set_element(3, "{\"d\":4}", true);
    EXPECT_EQ(object.to_json(), "[\"A\",\"b\",\"c\",{\"d\":4}]");

    object.remove_element(1);
    EXPECT_EQ(object.to_json(), "[\"A\",\"c\",{\"d\":4}]");
    object.remove_element(9);
    EXPECT_EQ(object.member_count(), 3) << "past the end: nothing moves";

    JsonScriptObject nested = parsed("{list:[[1,2],[3]]}");
    EXPECT_EQ(nested.get_element_text(0, "list", true), "[1,2]");
    EXPECT_EQ(nested.get_element_text(1, "list[0]"), "2");
    EXPECT_EQ(nested.get_element_text(0, "absent"), "");
}

TEST(JsonWriting, RemovePathElement)
{
    JsonScriptObject object = parsed("{arr:['a','b','c'],o:{inner:[1,2,3]}}");
    object.remove_path_element("arr[1]");
    EXPECT_EQ(object.get_json("arr"), "[\"a\",\"c\"]");
    object.remove_path_element("o.inner[0]");
    EXPECT_EQ(object.get_json("o.inner"), "[2,3]");

    const Text before = object.to_json();
    object.remove_path_element("arr");
    EXPECT_EQ(object.to_json(), before) << "a path without a bracket changes nothing";
    object.remove_path_element("absent[0]");
    EXPECT_EQ(object.to_json(), before) << "an absent array changes nothing";
}

TEST(JsonWriting, DeleteMember)
{
    JsonScriptObject object = parsed("{a:1,b:{c:2,d:3},list:[1,2]}");
    object.delete_member("a");
    object.delete_member("b.c");
    object.delete_member("absent");
    object.delete_member("absent.child");
    EXPECT_EQ(object.to_json(), "{\"b\":{\"d\":3},\"list\":[1,2]}");
}

TEST(JsonWriting, ResetToType)
{
    struct Case { int code; Text json; const char* why; };
    const Case cases[] = {
        {0, "{}", "null makes an empty object"},
        {4, "{}", "an empty object"},
        {5, "[]", "an empty array"},
        {6, "[1]", "a string: nothing changes"},
        {1, "[1]", "a boolean: nothing changes"},
        {2, "[1]", "a number: nothing changes"},
        {-1, "[1]", "other: nothing changes"},
        {3, "[1]", "an unused code: nothing changes"},
    };
    for (const auto& c : cases) {
        JsonScriptObject object = parsed("[1]");
        object.reset_to_type(static_cast<JsonType>(c.code));
        EXPECT_EQ(object.to_json(), c.json) << c.why;
    }
}

TEST(JsonWriting, AssignAndClear)
{
    JsonScriptObject object = parsed("{a:1}");
    object.assign("text");
    EXPECT_EQ(object.to_json(), "\"text\"");
    object.assign("[1,{\"b\":2}]", true);
    EXPECT_EQ(object.to_json(), "[1,{\"b\":2}]");
    object.clear();
    EXPECT_EQ(object.to_json(), "{}");
}

TEST(JsonWriting, HasMember)
{
    JsonScriptObject object = parsed("{a:0,s:'',z:null,o:{b:false}}");
    struct Case { Text path; bool expected; const char* why; };
    const Case cases[] = {
        {"a", true, "zero is a value"},
        {"s", true, "the empty string is a value"},
        {"o.b", true, "false is a value"},
        {"z", false, "null"},
        {"absent", false, "absent"},
        {"absent.child", false, "the path fails"},
    };
    for (const auto& c : cases) EXPECT_EQ(object.has_member(c.path), c.expected) << c.why;
}

TEST(JsonWriting, MemberNames)
{
    JsonScriptObject object = parsed("{a:1,b:{c:2},list:['x','y'],none:{}}");
    TextArray names;
    names.append("old");
    EXPECT_EQ(object.member_names(names, "list"), 2);
    ASSERT_EQ(names.count(), 2) << "the old elements are replaced";
    EXPECT_EQ(names.at(1), "0");
    EXPECT_EQ(names.at(2), "1");

    EXPECT_EQ(object.member_names(names), 4);
    EXPECT_EQ(names.at(1), "a");
    EXPECT_EQ(names.at(4), "none");
    EXPECT_EQ(object.member_names(names, "b"), 1);
    EXPECT_EQ(names.at(1), "c");
    EXPECT_EQ(object.member_names(names, "none"), 0);
    EXPECT_EQ(object.member_names(names, "absent.child"), 0);
    EXPECT_EQ(object.engine_object()->eval_text("String(ary)"), "null") << "the list is dropped";

    JsonScriptObject array_doc = parsed("[5,6,7]");
    EXPECT_EQ(array_doc.member_names(names, "[0]"), 0) << "a number has no members";
    EXPECT_EQ(array_doc.member_names(names), 3);
}

TEST(JsonWriting, CopiesSeeEachOthersWrites)
{
    auto original = std::make_unique<JsonScriptObject>(tight);
    JsonScriptObject copy = original->copy();
    original->set_text("name", "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(copy.get_text("name"), "\xD6\xD0\xCE\xC4");
    copy.append("1", "list", true);
    EXPECT_EQ(original->get_json("list"), "[1]");

    original->destroy();
    original.reset();
    copy.set_number("n", 2);
    EXPECT_EQ(copy.to_json(), "{\"name\":\"\xD6\xD0\xCE\xC4\",\"list\":[1],\"n\":2}");
}

TEST(JsonWriting, EngineObject)
{
    JsonScriptObject object(tight);
    auto engine = object.engine_object();
    ASSERT_TRUE(engine);
    object.destroy();
    EXPECT_EQ(engine->eval_text("JSON.stringify(da)"), "{}") << "the reference keeps the engine alive";

    JsonScriptObject without(ScriptLimits{200ms, 1024});
    EXPECT_EQ(without.engine_object(), nullptr);
}

TEST(JsonWriting, WithoutEngineWritesDoNothing)
{
    JsonScriptObject object(ScriptLimits{200ms, 1024});
    object.set_text("a", "x");
    object.set_expression("b", "1");
    object.set_number("c", 1);
    object.append("x");
    object.set_element(0, "x");
    object.remove_element(0);
    object.remove_path_element("a[0]");
    object.delete_member("a");
    object.reset_to_type(JsonType::array);
    object.assign("x");
    object.clear();
    TextArray names;
    names.append("old");
    EXPECT_EQ(object.member_names(names), 0);
    EXPECT_EQ(names.count(), 0);
    EXPECT_EQ(object.to_json(), "");
    EXPECT_EQ(object.get_json("a"), "");
    EXPECT_EQ(object.get_element_text(0), "");
    EXPECT_FALSE(object.has_member("a"));
    EXPECT_EQ(object.get_object("a").engine_object(), nullptr) << "nor can the new object make one";
}

// Values given as text reach the engine as strings: no text can end the literal and
// run as script. "\xD6" is a lead byte without its trail byte; the engine holds it as
// U+FFFD, which reads back as "?".
TEST(JsonWriting, ValuesAreNeverScript)
{
    const Text injected = "+(da.pwned=String.fromCharCode(79,75))//";
    struct Case { Text value; Text stored; const char* why; };
    const Case set_text_cases[] = {
        {"\xD6'" + injected, "?'" + injected, "a lead byte before a quote"},
        {"\xD6\r\n'" + injected, "?\r\n'" + injected, "a lead byte before a line break"},
        {"\xD6\\'" + injected, "\xD6\\'" + injected, "a whole character whose second byte is a backslash"},
    };
    for (const auto& c : set_text_cases) {
        JsonScriptObject object(tight);
        object.set_text("v", c.value);
        EXPECT_FALSE(object.has_member("pwned")) << c.why;
        EXPECT_EQ(object.get_text("v"), c.stored) << c.why;
    }

    const Text crafted = "x');da.pwned=('1";
    JsonScriptObject appended = parsed("{\"list\":[]}");
    appended.append(crafted, "list");
    EXPECT_EQ(appended.get_element_text(0, "list"), crafted);
    EXPECT_FALSE(appended.has_member("pwned"));

    JsonScriptObject elements = parsed("[0]");
    elements.set_element(0, crafted);
    EXPECT_EQ(elements.get_element_text(0), crafted);
    EXPECT_EQ(elements.engine_object()->eval_text("typeof da.pwned"), "undefined");

    JsonScriptObject assigned(tight);
    assigned.assign(crafted);
    EXPECT_EQ(assigned.to_json(), "\"x');da.pwned=('1\"");
    EXPECT_EQ(assigned.engine_object()->eval_text("typeof da.pwned"), "undefined");
}

// How each operation joins the path "[1]" to the document's name, on a document that
// is an array of arrays: without the point it names [3,4,5]; with it ("da.[1]") the
// statement does not compile and the operation fails.
TEST(JsonWriting, PointRulesOfABracketPath)
{
    const Text document = "[[1,2],[3,4,5]]";
    const Text path = "[1]";
    struct Case {
        const char* operation;
        std::function<Text(JsonScriptObject&)> run;  // what it gives, or the document after it
        Text expected;
    };
    const Case cases[] = {
        // point unless bracket
        {"get_text", [&](JsonScriptObject& o) { return o.get_text(path); }, "3,4,5"},
        {"get_text as JSON", [&](JsonScriptObject& o) { return o.get_text(path, true); }, "[3,4,5]"},
        {"get_object", [&](JsonScriptObject& o) { return o.get_object(path).to_json(); }, "[3,4,5]"},
        {"member_count", [&](JsonScriptObject& o) { return number_to_text(o.member_count(path)); }, "3"},
        {"member_names",
         [&](JsonScriptObject& o) {
             TextArray names;
             return number_to_text(o.member_names(names, path));
         },
         "3"},
        // point when a path is given
        {"append", [&](JsonScriptObject& o) { o.append("9", path, true); return o.to_json(); }, document},
        {"get_element_object", [&](JsonScriptObject& o) { return o.get_element_object(0, path).to_json(); }, ""},
        {"get_element_text", [&](JsonScriptObject& o) { return o.get_element_text(0, path); }, ""},
        {"type_of", [&](JsonScriptObject& o) { return number_to_text(static_cast<int>(o.type_of(path))); }, "-1"},
        // point always
        {"set_expression", [&](JsonScriptObject& o) { o.set_expression(path, "7"); return o.to_json(); }, document},
        {"set_number", [&](JsonScriptObject& o) { o.set_number(path, 7); return o.to_json(); }, document},
        {"get_number", [&](JsonScriptObject& o) { return number_to_text(o.get_number(path)); }, "0"},
        {"get_json", [&](JsonScriptObject& o) { return o.get_json(path); }, ""},
        {"has_member", [&](JsonScriptObject& o) { return Text(o.has_member(path) ? "true" : "false"); }, "false"},
        // point when the path alone evaluates to nothing: "[1]" evaluates to "1"
        {"set_text", [&](JsonScriptObject& o) { o.set_text(path, "x"); return o.to_json(); }, "[[1,2],\"x\"]"},
        {"delete_member", [&](JsonScriptObject& o) { o.delete_member(path); return o.to_json(); }, "[[1,2],null]"},
        // the array's name is the text before "[", here empty
        {"remove_path_element", [&](JsonScriptObject& o) { o.remove_path_element(path); return o.to_json(); }, document},
    };
    for (const auto& c : cases) {
        JsonScriptObject object = parsed(document);
        EXPECT_EQ(c.run(object), c.expected) << c.operation;
    }
}

// Characters that JSON text carries as \u escapes, and that code page 936 could not
// hold raw, survive every operation that goes through JSON text.
TEST(JsonWriting, SerialisationKeepsEscapedCharacters)
{
    // Each is read from the JSON text and must be written back as the same escape.
    const char* const escapes[] = {
        "\\u007f", "\\u0085", "\\u009f", "\\u00ad", "\\u0600", "\\u0604",
        "\\u070f", "\\u17b4", "\\u17b5", "\\u200c", "\\u200f", "\\u2028",
        "\\u202f", "\\u2060", "\\u206f", "\\ufeff", "\\ufff0", "\\uffff",
    };
    for (const char* escape : escapes) {
        JsonScriptObject object = parsed("{\"list\":[\"a" + Text(escape) + "\",\"b\"]}");
        const Text element = "[\"a" + Text(escape) + "\"]";
        EXPECT_EQ(object.get_json("list"), "[\"a" + Text(escape) + "\",\"b\"]") << escape;

        JsonScriptObject part = object.get_object("list");
        EXPECT_EQ(part.get_element_text(0, "", true), "\"a" + Text(escape) + "\"") << escape;

        object.remove_path_element("list[1]");
        EXPECT_EQ(object.to_json(), "{\"list\":" + element + "}") << escape;
    }
    JsonScriptObject plain = parsed("[\"\\u2400\\u00a0\\u4e2d\"]");
    EXPECT_EQ(plain.engine_object()->eval_text("JSON.stringify(da).length"), "7")
        << "U+2400, a no-break space and Chinese text are written as they are";
}

// Numbers go into the script as text: under a locale with a decimal comma,
// "da.b=2,5" would be a comma expression that stores 2, and a long whole number
// must not lose digits to an exponent form on the way.
TEST(JsonWriting, NumbersKeepTheirValueWhateverTheLocale)
{
    CommaDecimalLocale comma;
    if (!comma.active()) GTEST_SKIP() << comma.why();
    JsonScriptObject object(tight);
    object.set_number("b", 2.5);
    object.set_number("room", 12345678901234);
    EXPECT_EQ(object.get_number("b"), 2.5);
    EXPECT_EQ(object.get_text("b"), "2.5");
    EXPECT_EQ(object.get_text("room"), "12345678901234");
}
