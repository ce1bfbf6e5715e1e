#include "json_script_object.h"

#include "script_prelude.h"

#include <cmath>
#include <limits>
#include <utility>

namespace {

int truncated(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

bool begins_with_bracket(const Text& path)
{
    return text_left(path, 1) == "[";
}

}  // namespace

JsonScriptObject::JsonScriptObject() : JsonScriptObject(ScriptLimits{}) {}

JsonScriptObject::JsonScriptObject(const ScriptLimits& limits) : limits_(limits)
{
    var_name_ = "da";
    init_engine();
}

JsonScriptObject::JsonScriptObject(Shared, const ScriptLimits& limits, Text name,
                                   std::shared_ptr<ScriptEngine> engine)
    : var_name_(std::move(name)), engine_(std::move(engine)), limits_(limits)
{
}

JsonScriptObject::~JsonScriptObject() = default;

// ---- Engine calls: no effect, or the empty value, for an object without engine ----------

void JsonScriptObject::run(const Text& code)
{
    engine_untouched_ = false;
    if (engine_) engine_->eval(code);
}

void JsonScriptObject::run_with_text(const Text& function, const Text& value)
{
    engine_untouched_ = false;
    if (engine_) engine_->call_with_text(function, value);
}

Text JsonScriptObject::text_of(const Text& code)
{
    engine_untouched_ = false;
    return engine_ ? engine_->eval_text(code) : Text();
}

double JsonScriptObject::number_of(const Text& code)
{
    engine_untouched_ = false;
    return engine_ ? engine_->eval_number(code) : 0;
}

bool JsonScriptObject::boolean_of(const Text& code)
{
    engine_untouched_ = false;
    return engine_ && engine_->eval_boolean(code);
}

// ---- Points: how a path joins the document's name ----------------------------------

Text JsonScriptObject::point_unless_bracket(const Text& path, bool empty_is_root) const
{
    if (path.empty() && empty_is_root) return var_name_;
    if (begins_with_bracket(path)) return var_name_ + path;
    return concat_text(var_name_, Text("."), path);
}

Text JsonScriptObject::point_when_given(const Text& path) const
{
    return path.empty() ? var_name_ : concat_text(var_name_, Text("."), path);
}

Text JsonScriptObject::point_always(const Text& path) const
{
    return concat_text(var_name_, Text("."), path);
}

// ---- The engine, parsing and reading ---------------------------------------------------

void JsonScriptObject::destroy()
{
    engine_.reset();
    var_name_.clear();
}

JsonScriptObject JsonScriptObject::copy() const
{
    return JsonScriptObject(Shared{}, limits_, var_name_, engine_);
}

void JsonScriptObject::init_engine()
{
    const OperationDeadline operation(limits_.time_budget);
    if (auto made = ScriptEngine::create(limits_)) engine_ = std::move(made);
    if (engine_) engine_->add_code(script_prelude);
    run(concat_text(Text("var "), var_name_, Text("={}")));
    run("var g_regexp = String.fromCharCode(9216)");
    run("var g_reg = new RegExp(g_regexp, 'g')");
    engine_untouched_ = engine_ != nullptr;
}

bool JsonScriptObject::parse(const Text& text)
{
    const OperationDeadline operation(limits_.time_budget);
    // A fresh engine: the one construction just made serves when nothing has run in
    // it since and no copy shares it, as making one costs more than the parse.
    const bool fresh = engine_untouched_ && engine_.use_count() == 1;
    if (engine_ && !fresh) {
        engine_.reset();
        init_engine();
    }
    if (!engine_) return false;
    const Text reset = concat_text(Text("var "), var_name_, Text("=null"));
    run(reset);
    // Data is read as data: valid JSON runs no script of the page. What is not JSON is
    // evaluated as an expression in the bounded engine, and so is one JSON string,
    // whose content is evaluated in its turn.
    const JsonRead read = engine_->read_json(var_name_, text);
    if (read == JsonRead::string) run(reset);
    if (read != JsonRead::other_value) {
        engine_->add_code(concat_text(Text("var "), var_name_, Text("=eval("), text, Text(")")));
    }
    return boolean_of("null !=" + var_name_);
}

double JsonScriptObject::get_number(const Text& path)
{
    const OperationDeadline operation(limits_.time_budget);
    return number_of(point_always(path));
}

Text JsonScriptObject::get_text(const Text& path, bool as_json)
{
    const OperationDeadline operation(limits_.time_budget);
    // An empty path gives the name and a bare point, which fails.
    const Text target = point_unless_bracket(path, false);
    if (as_json) return text_of(concat_text(Text("JSON.stringify("), target, Text(")")));
    if (!engine_) return {};
    if (type_of(path) == JsonType::number) return number_to_text(get_number(path));
    return text_of(target);
}

int JsonScriptObject::member_count(const Text& path)
{
    const OperationDeadline operation(limits_.time_budget);
    return truncated(
        number_of(concat_text(Text("get__count("), point_unless_bracket(path, true), Text(")"))));
}

JsonType JsonScriptObject::type_of(const Text& path)
{
    const OperationDeadline operation(limits_.time_budget);
    const Text target = point_when_given(path);
    if (boolean_of(target + "==null")) return JsonType::null_value;
    const Text kind = text_of(concat_text(Text("typeof ("), target, Text(")")));
    if (kind == "string") return JsonType::string;
    if (kind == "object")
        return text_left(get_text(path, true), 1) == "[" ? JsonType::array : JsonType::object;
    if (kind == "number") return JsonType::number;
    if (kind == "boolean") return JsonType::boolean;
    return JsonType::other;
}

std::shared_ptr<ScriptEngine> JsonScriptObject::engine_object()
{
    engine_untouched_ = false;
    return engine_;
}
