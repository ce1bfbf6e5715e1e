// The operations of JsonScriptObject that write members, give JSON text, work on
// array elements and list member names.
#include "json_script_object.h"

#include "text_helpers.h"

// A path that the engine can evaluate by itself to some text (an index in brackets,
// which reads as an array literal, a number, an engine global) is joined without the
// point; everything else with it.
Text JsonScriptObject::point_when_path_is_nothing(const Text& path)
{
    if (text_of(path).empty()) return point_always(path);
    return var_name_ + path;
}

void JsonScriptObject::store(const Text& target, const Text& value, bool as_expression)
{
    if (as_expression) {
        run(concat_text(target, Text("="), value));
    } else {
        run_with_text(concat_text(Text("(function () { "), target, Text("=arguments[0] })")),
                      value);
    }
}

Text JsonScriptObject::to_json()
{
    const OperationDeadline operation(limits_.time_budget);
    run(concat_text(Text("var strScr = JSON.stringify("), var_name_, Text(")")));
    return text_of("strScr.replace(g_reg, '\\\\')");
}

void JsonScriptObject::set_text(const Text& path, const Text& value, bool as_expression)
{
    const OperationDeadline operation(limits_.time_budget);
    const Text target = point_when_path_is_nothing(path);
    if (as_expression) {
        const Text expression = value.empty() ? Text("{}") : value;
        run(concat_text(target, Text(" = eval("), expression, Text(")")));
        return;
    }
    // Backslashes are kept as U+2400 inside the engine; to_json turns them back, so a
    // value can carry escape sequences of its own into the JSON text.
    run_with_text("(function (value) { g_Str = value.replace(/\\\\/g, g_regexp) })", value);
    run(target + " = g_Str");
}

void JsonScriptObject::set_expression(const Text& path, const Text& expression)
{
    const OperationDeadline operation(limits_.time_budget);
    run(concat_text(point_always(path), Text("= eval("), expression, Text(")")));
}

void JsonScriptObject::set_number(const Text& path, double value)
{
    const OperationDeadline operation(limits_.time_budget);
    run(concat_text(point_always(path), Text("="), number_to_text(value)));
}

Text JsonScriptObject::get_json(const Text& path)
{
    const OperationDeadline operation(limits_.time_budget);
    return text_of(concat_text(Text("JSON.stringify("), point_always(path), Text(")")));
}

JsonScriptObject JsonScriptObject::get_object(const Text& path)
{
    const OperationDeadline operation(limits_.time_budget);
    return object_from_json(
        concat_text(Text("JSON.stringify("), point_unless_bracket(path, false), Text(")")));
}

void JsonScriptObject::append(const Text& value, const Text& path, bool as_expression)
{
    const OperationDeadline operation(limits_.time_budget);
    const Text target = point_when_given(path);
    const Text make_array =
        concat_text(Text("if (Object.prototype.toString.call("), target,
                    Text(") != '[object Array]') { "), target, Text("=new Array();} "));
    if (as_expression) {
        run(concat_text(make_array, target, Text(".push("), value, Text(")")));
    } else {
        run_with_text(concat_text(Text("(function () { "), make_array, target,
                                  Text(".push(arguments[0]) })")),
                      value);
    }
}

JsonScriptObject JsonScriptObject::get_element_object(int index, const Text& path)
{
    const OperationDeadline operation(limits_.time_budget);
    return object_from_json(concat_text(Text("JSON.stringify("), point_when_given(path), Text("["),
                                        number_to_text(index), Text("])")));
}

Text JsonScriptObject::get_element_text(int index, const Text& path, bool as_json)
{
    const OperationDeadline operation(limits_.time_budget);
    const Text element =
        concat_text(point_when_given(path), Text("["), number_to_text(index), Text("]"));
    if (as_json) return text_of(concat_text(Text("JSON.stringify("), element, Text(")")));
    return text_of(element);
}

void JsonScriptObject::set_element(int index, const Text& value, bool as_expression)
{
    const OperationDeadline operation(limits_.time_budget);
    store(concat_text(var_name_, Text("["), number_to_text(index), Text("]")), value,
          as_expression);
}

void JsonScriptObject::remove_element(int index)
{
    const OperationDeadline operation(limits_.time_budget);
    run(concat_text(var_name_, Text(".splice("), number_to_text(index), Text(",1)")));
}

void JsonScriptObject::remove_path_element(const Text& path)
{
    const OperationDeadline operation(limits_.time_budget);
    JsonScriptObject scratch(limits_);
    const Text array_path = text_before(path, "[");
    const Text index = text_between(path, "[", "]");
    scratch.parse(get_text(array_path, true));
    scratch.remove_element(text_to_int(index));
    set_expression(array_path, scratch.to_json());
    scratch.destroy();
}

void JsonScriptObject::delete_member(const Text& path)
{
    const OperationDeadline operation(limits_.time_budget);
    text_of("delete " + point_when_path_is_nothing(path));
}

void JsonScriptObject::reset_to_type(JsonType type)
{
    const OperationDeadline operation(limits_.time_budget);
    if (type == JsonType::null_value || type == JsonType::object) {
        run(concat_text(Text("var "), var_name_, Text("={}")));
    } else if (type == JsonType::array) {
        run(concat_text(Text("var "), var_name_, Text("=new Array()")));
    }
}

void JsonScriptObject::assign(const Text& value, bool as_expression)
{
    const OperationDeadline operation(limits_.time_budget);
    store(var_name_, value, as_expression);
}

bool JsonScriptObject::has_member(const Text& path)
{
    const OperationDeadline operation(limits_.time_budget);
    return boolean_of(point_always(path) + " !=null");
}

int JsonScriptObject::member_names(TextArray& names, const Text& path)
{
    const OperationDeadline operation(limits_.time_budget);
    Text listed =
        text_of(concat_text(Text("var ary=''; for (var key in "), point_unless_bracket(path, true),
                            Text(") {ary=ary+ key+','; }")));
    // The two methods every object inherits from the prelude are not members.
    listed = replace_text(listed, "toJSONString,");
    listed = replace_text(listed, "parseJSON,");
    run("ary=null");
    names = split_text(listed, ",");
    return names.count();
}

void JsonScriptObject::clear()
{
    const OperationDeadline operation(limits_.time_budget);
    run(var_name_ + "={}");
}

// The script's JSON text, taken in this object's engine, parsed into an object of its
// own: a deep copy, without functions or undefined members.
JsonScriptObject JsonScriptObject::object_from_json(const Text& json_script)
{
    JsonScriptObject scratch(limits_);
    scratch.parse(text_of(json_script));
    JsonScriptObject result = scratch.copy();
    scratch.destroy();
    return result;
}
