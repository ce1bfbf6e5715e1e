// The request object over Windows' own HTTP request automation object,
// "WinHttp.WinHttpRequest.5.1", created by its ProgID and driven through
// IDispatch: mingw-w64 ships no declaration of its interface.
//
// The object is always opened asynchronously and waited for in short steps,
// with the thread's window messages handled in between (process_events), so a
// window stays responsive for the whole exchange; to the caller the send is still
// synchronous. The wait also enforces the limit on the exchange as a whole and
// the body limit, which the object itself lacks.

#include "http_request.h"

#include "code_page.h"
#include "request_checks.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD wait_step_ms = 20;  // longest time between two looks at the window's messages

// Only http and https, with a host: the object would also take other schemes'
// addresses and fail later, or not at all.
bool is_web_address(std::string_view url)
{
    std::size_t host_start = 0;
    if (url.size() > 7 && ascii_equal_ignoring_case(url.substr(0, 7), "http://"))
        host_start = 7;
    else if (url.size() > 8 && ascii_equal_ignoring_case(url.substr(0, 8), "https://"))
        host_start = 8;
    else
        return false;
    const std::size_t host_end = url.find_first_of("/?#", host_start);
    const std::string_view authority = url.substr(host_start, host_end - host_start);
    const std::size_t at = authority.rfind('@');
    const std::string_view host =
        at == std::string_view::npos ? authority : authority.substr(at + 1);
    return !host.empty() && host.front() != ':';
}

std::wstring wide_from_utf8(std::string_view utf8)
{
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, result.data(), units);
    return result;
}

std::wstring wide_from_gbk(const Text& text)
{
    const std::u16string units = gbk_to_utf16(text);
    return {reinterpret_cast<const wchar_t*>(units.data()), units.size()};
}

// A VARIANT that clears itself.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    explicit Variant(int number) : Variant()
    {
        value_.vt = VT_I4;
        value_.lVal = number;
    }
    explicit Variant(bool flag) : Variant()
    {
        value_.vt = VT_BOOL;
        value_.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    }
    explicit Variant(const std::wstring& text) : Variant()
    {
        value_.vt = VT_BSTR;
        value_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    // A one-dimensional array of unsigned bytes holding exactly the given bytes.
    static Variant byte_array(const std::string& bytes)
    {
        Variant result;
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
        if (!array) return result;
        void* data = nullptr;
        if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
            if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
            SafeArrayUnaccessData(array);
        }
        result.value_.vt = VT_ARRAY | VT_UI1;
        result.value_.parray = array;
        return result;
    }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }

    VARIANT* get() { return &value_; }
    const VARIANT& value() const { return value_; }

private:
    VARIANT value_;
};

// Calls a member by name; arguments in the order the member takes them. A
// property put passes its value last, as DISPID_PROPERTYPUT.
HRESULT call(IDispatch* object, const wchar_t* name, WORD kind, std::vector<VARIANT*> arguments,
             VARIANT* result = nullptr)
{
    if (!object) return E_POINTER;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(**it);
    DISPPARAMS parameters{};
    parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
    parameters.cArgs = static_cast<UINT>(reversed.size());
    DISPID put_id = DISPID_PROPERTYPUT;
    if (kind == DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &put_id;
        parameters.cNamedArgs = 1;
    }
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result, nullptr,
                          nullptr);
}

HRESULT call_method(IDispatch* object, const wchar_t* name, std::vector<VARIANT*> arguments,
                    VARIANT* result = nullptr)
{
    return call(object, name, DISPATCH_METHOD, std::move(arguments), result);
}

HRESULT get_property(IDispatch* object, const wchar_t* name, VARIANT* result)
{
    return call(object, name, DISPATCH_PROPERTYGET, {}, result);
}

Text text_of(const VARIANT& value)
{
    if (value.vt != VT_BSTR || !value.bstrVal) return {};
    const std::u16string_view units(reinterpret_cast<const char16_t*>(value.bstrVal),
                                    SysStringLen(value.bstrVal));
    return utf16_to_gbk(units);
}

Bytes bytes_of(const VARIANT& value)
{
    if (value.vt != (VT_ARRAY | VT_UI1) || !value.parray) return {};
    SAFEARRAY* array = value.parray;
    if (SafeArrayGetDim(array) != 1) return {};
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    if (upper < lower) return {};
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return {};
    const auto* first = static_cast<const std::uint8_t*>(data);
    Bytes bytes(first, first + (upper - lower + 1));
    SafeArrayUnaccessData(array);
    return bytes;
}

// The object gives its header lines separated by CR LF and closed by an empty
// line, and Wine's puts the status line first; the readers of the request object
// expect only header lines, each ended by CR LF.
Text header_lines(const Text& all)
{
    Text lines;
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find("\r\n", start);
        if (end == Text::npos) end = all.size();
        const Text line = all.substr(start, end - start);
        const bool status_line = start == 0 && line.rfind("HTTP/", 0) == 0;
        if (!line.empty() && !status_line) lines += line + "\r\n";
        start = end + 2;
    }
    return lines;
}

// WaitForResponse with no wait: true when the exchange has ended (a response, or
// a failure the wait reports), false while it runs. Called through the object's
// own interface rather than IDispatch, found from its type information: Wine's
// object returns without writing the answer once the response is in, and only a
// caller that presets the answer to "done" can tell that from "not yet".
class ResponseWait {
public:
    explicit ResponseWait(IDispatch* object)
    {
        ITypeInfo* dispatch_info = nullptr;
        if (!object || FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &dispatch_info))) return;
        ITypeInfo* info = dispatch_info;
        HREFTYPE vtable_type = 0;
        ITypeInfo* vtable_info = nullptr;
        if (SUCCEEDED(dispatch_info->GetRefTypeOfImplType(-1, &vtable_type)) &&
            SUCCEEDED(dispatch_info->GetRefTypeInfo(vtable_type, &vtable_info)))
            info = vtable_info;
        TYPEATTR* attributes = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&attributes))) {
            if (attributes->typekind == TKIND_INTERFACE) {
                for (WORD i = 0; i < attributes->cFuncs && offset_ < 0; ++i) {
                    FUNCDESC* function = nullptr;
                    if (FAILED(info->GetFuncDesc(i, &function))) continue;
                    BSTR name = nullptr;
                    if (SUCCEEDED(info->GetDocumentation(function->memid, &name, nullptr, nullptr,
                                                         nullptr)) &&
                        name && std::wstring_view(name) == L"WaitForResponse" &&
                        function->cParams == 2)
                        offset_ = function->oVft;
                    SysFreeString(name);
                    info->ReleaseFuncDesc(function);
                }
                void* found = nullptr;
                if (offset_ >= 0 && SUCCEEDED(object->QueryInterface(attributes->guid, &found)))
                    interface_ = static_cast<IUnknown*>(found);
            }
            info->ReleaseTypeAttr(attributes);
        }
        if (vtable_info) vtable_info->Release();
        dispatch_info->Release();
    }
    ~ResponseWait()
    {
        if (interface_) interface_->Release();
    }
    ResponseWait(const ResponseWait&) = delete;
    ResponseWait& operator=(const ResponseWait&) = delete;

    bool usable() const { return interface_ != nullptr; }

    // True when the exchange is over; error then holds the failure the wait
    // reports (S_OK for a response).
    bool ended(HRESULT& error)
    {
        VARIANT no_wait;
        VariantInit(&no_wait);
        no_wait.vt = VT_I4;
        no_wait.lVal = 0;
        VARIANT_BOOL done = VARIANT_TRUE;
        VARTYPE types[] = {VT_VARIANT, VT_BYREF | VT_BOOL};
        VARIANT done_argument;
        VariantInit(&done_argument);
        done_argument.vt = VT_BYREF | VT_BOOL;
        done_argument.pboolVal = &done;
        VARIANT* arguments[] = {&no_wait, &done_argument};
        VARIANT result;
        VariantInit(&result);
        const HRESULT call = DispCallFunc(interface_, static_cast<ULONG_PTR>(offset_), CC_STDCALL,
                                          VT_ERROR, 2, types, arguments, &result);
        error = FAILED(call) ? call : (FAILED(result.scode) ? result.scode : S_OK);
        return FAILED(error) || done != VARIANT_FALSE;
    }

private:
    IUnknown* interface_ = nullptr;
    SHORT offset_ = -1;
};

}  // namespace

// The kind of failure behind an error of the object (a WinHTTP error code).
RequestFailure failure_of(HRESULT error)
{
    switch (HRESULT_CODE(error)) {
        case 12007:  // name not resolved
        case 12180:  // auto proxy service error
            return RequestFailure::name_not_found;
        case 12029:  // cannot connect
            return RequestFailure::cannot_connect;
        case 12002:  // timeout
            return RequestFailure::timed_out;
        case 12044:  // client certificate needed
        case 12045:  // invalid certificate authority
        case 12157:  // secure channel error
        case 12175:  // secure failure
            return RequestFailure::tls_failure;
        case 12030:  // connection error
        case 12152:  // invalid server response
            return RequestFailure::connection_lost;
        case 12017:  // operation cancelled
            return RequestFailure::abandoned;
    }
    return RequestFailure::other;
}

// A new object, direct (no proxy from the system's settings or the environment:
// Wine's object reads http_proxy) and following at most ten redirects, as the
// other backend does.
IDispatch* new_request_object()
{
    CLSID id{};
    if (FAILED(CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &id))) return nullptr;
    void* created = nullptr;
    if (FAILED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &created)))
        return nullptr;
    auto* object = static_cast<IDispatch*>(created);
    Variant direct(1);
    call_method(object, L"SetProxy", {direct.get()});
    Variant most_redirects_option(14), most_redirects(10);
    call(object, L"Option", DISPATCH_PROPERTYPUT,
         {most_redirects_option.get(), most_redirects.get()});
    return object;
}

HRESULT set_object_timeouts(IDispatch* object, const PhaseTimeouts& limits)
{
    Variant resolve(limits.resolve_ms), connect(limits.connect_ms), send(limits.send_ms),
        receive(limits.receive_ms);
    return call_method(object, L"SetTimeouts",
                       {resolve.get(), connect.get(), send.get(), receive.get()});
}

// Setting 1 (direct) when the server is empty, else 2 with the server.
HRESULT set_object_proxy(IDispatch* object, const Text& server)
{
    if (server.empty()) {
        Variant direct(1);
        return call_method(object, L"SetProxy", {direct.get()});
    }
    Variant named(2), proxy(wide_from_gbk(server));
    return call_method(object, L"SetProxy", {named.get(), proxy.get()});
}

struct HttpRequest::Backend {
    bool com_initialised = false;
    IDispatch* object = nullptr;  // null when the object could not be created
    bool sent = false;            // the object has carried an exchange
    PhaseTimeouts timeouts;
    bool timeouts_set = false;
    Text proxy;  // empty: direct
    bool opened = false;
    Text verb;

    ~Backend()
    {
        if (object) object->Release();
        if (com_initialised) CoUninitialize();
    }
};

HttpRequest::HttpRequest() : backend_(std::make_unique<Backend>())
{
    // A thread whose apartment is already set keeps it; ours is balanced below.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    backend_->com_initialised = SUCCEEDED(hr);
    backend_->object = new_request_object();
}

HttpRequest::~HttpRequest() = default;

bool HttpRequest::set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms)
{
    const auto limits = phase_limits(resolve_ms, connect_ms, send_ms, receive_ms);
    if (!limits || FAILED(set_object_timeouts(backend_->object, *limits))) return false;
    backend_->timeouts = *limits;
    backend_->timeouts_set = true;
    return true;
}

bool HttpRequest::set_proxy(int setting, const Text& server)
{
    // The object's setting 0 would take the system's configured proxy; here 0 and
    // 1 both mean a direct connection, as on the other platforms.
    if (setting != 0 && setting != 1 && (setting != 2 || server.empty())) return false;
    const Text proxy = setting == 2 ? server : Text{};
    if (FAILED(set_object_proxy(backend_->object, proxy))) return false;
    backend_->proxy = proxy;
    return true;
}

bool HttpRequest::open(const Text& verb, const Text& url, bool asynchronous)
{
    const std::string address = wire_url(url);
    backend_->opened = false;
    forget_response();
    failure_ = RequestFailure::bad_address;
    // A line break in the address would end the request line early.
    if (asynchronous || !is_token(verb) || !is_web_address(address) || holds_line_break(url))
        return false;
    // An object keeps state from its last exchange that a new one must not see:
    // each exchange gets a fresh object, with the limits and proxy set so far.
    if (backend_->sent) {
        IDispatch* fresh = new_request_object();
        if (!fresh) return false;
        if (backend_->object) backend_->object->Release();
        backend_->object = fresh;
        backend_->sent = false;
        if (backend_->timeouts_set) set_object_timeouts(fresh, backend_->timeouts);
        set_object_proxy(fresh, backend_->proxy);
    }
    Variant verb_value(wide_from_gbk(verb)), url_value(wide_from_utf8(address)), waits_here(true);
    if (FAILED(call_method(backend_->object, L"Open",
                           {verb_value.get(), url_value.get(), waits_here.get()})))
        return false;
    backend_->opened = true;
    backend_->verb = verb;
    failure_ = RequestFailure::none;
    return true;
}

bool HttpRequest::set_option(int index, int value)
{
    if (index != 6 && index != 4) return false;
    // Index 6 takes a flag, index 4 the certificate error flags as they are.
    Variant option(index);
    Variant setting = index == 6 ? Variant(value != 0) : Variant(value);
    return SUCCEEDED(
        call(backend_->object, L"Option", DISPATCH_PROPERTYPUT, {option.get(), setting.get()}));
}

bool HttpRequest::set_credentials(const Text& user, const Text& password, int flag)
{
    if (!backend_->opened || (flag != 0 && flag != 1)) return false;
    Variant user_value(wide_from_gbk(user)), password_value(wide_from_gbk(password)),
        flag_value(flag);
    return SUCCEEDED(call_method(backend_->object, L"SetCredentials",
                                 {user_value.get(), password_value.get(), flag_value.get()}));
}

bool HttpRequest::set_request_header(const Text& name, const Text& value)
{
    // A line break would end the header early and let the rest pass as headers of
    // its own; a Content-Length beside the body's own would mislead the server.
    if (!backend_->opened || !is_token(name) || holds_line_break(value)) return false;
    if (ascii_equal_ignoring_case(name, "Content-Length")) return false;
    // The object would send proxy credentials to the server itself when there is
    // no proxy; they are meant for a proxy alone.
    if (ascii_equal_ignoring_case(name, "Proxy-Authorization") && backend_->proxy.empty())
        return false;
    Variant name_value(wide_from_gbk(name)), value_value(wide_from_gbk(value));
    return SUCCEEDED(
        call_method(backend_->object, L"SetRequestHeader", {name_value.get(), value_value.get()}));
}

bool HttpRequest::send_bytes(const std::string& body)
{
    if (!backend_->opened) return false;
    backend_->opened = false;  // one send per open, as the object itself allows
    backend_->sent = true;
    IDispatch* object = backend_->object;
    auto fail = [this](RequestFailure why) {
        failure_ = why;
        return false;
    };

    // Bytes go out as they are; a text would be re-encoded by the object.
    Variant payload = Variant::byte_array(body);
    if (const HRESULT sent = call_method(object, L"Send", {payload.get()}); FAILED(sent))
        return fail(failure_of(sent));

    // The object's own limits are the phases'; Wine's does not hold to the
    // receive limit while it waits for the response to start. So the wait also
    // gives up when no status has come after all the phases' limits together,
    // and when the exchange as a whole has lasted past its limit (counted here
    // from the start, with resolving and connecting added).
    const PhaseTimeouts& limits = backend_->timeouts;
    const auto start = Clock::now();
    const bool phases_bounded = limits.resolve_ms > 0 && limits.connect_ms > 0 &&
                                limits.send_ms > 0 && limits.receive_ms > 0;
    const auto no_status_after =
        start + std::chrono::milliseconds(static_cast<long long>(limits.resolve_ms) +
                                          limits.connect_ms + limits.send_ms + limits.receive_ms);
    const auto whole_after =
        start + std::chrono::milliseconds(static_cast<long long>(limits.resolve_ms) +
                                          limits.connect_ms + limits.whole_exchange_ms());
    ResponseWait wait(object);
    if (!wait.usable()) {
        call_method(object, L"Abort", {});
        return fail(RequestFailure::other);
    }
    HRESULT error = S_OK;
    bool status_seen = false;
    while (!wait.ended(error)) {
        const auto now = Clock::now();
        if (phases_bounded && !status_seen) {
            Variant early;
            status_seen = SUCCEEDED(get_property(object, L"Status", early.get()));
        }
        if (phases_bounded && ((!status_seen && now >= no_status_after) || now >= whole_after)) {
            call_method(object, L"Abort", {});
            return fail(RequestFailure::timed_out);
        }
        // The caller gave the exchange up (its window was closed). The object is
        // left as it is, and to the process's end: Wine's Abort, and its release,
        // wait for a server that is slow to answer.
        if (wait_hook_ && !wait_hook_()) {
            backend_->object = nullptr;
            return fail(RequestFailure::abandoned);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait_step_ms, QS_ALLINPUT);
    }
    if (FAILED(error)) return fail(failure_of(error));

    Variant status;
    Variant content;
    get_property(object, L"ResponseBody", content.get());
    if (FAILED(get_property(object, L"Status", status.get())) ||
        FAILED(VariantChangeType(status.get(), status.get(), 0, VT_I4)))
        return fail(RequestFailure::other);
    Variant headers;
    call_method(object, L"GetAllResponseHeaders", {}, headers.get());
    Bytes response_body = bytes_of(content.value());
    if (response_body.size() > body_limit_) return fail(RequestFailure::too_large);
    // Wine's object takes a connection closed in the middle of the body for its
    // end; a body shorter than its announced length did not arrive.
    Variant length_name(std::wstring(L"Content-Length")), length;
    if (backend_->verb != "HEAD" &&
        SUCCEEDED(call_method(object, L"GetResponseHeader", {length_name.get()}, length.get()))) {
        const Text announced = text_of(length.value());
        char* end = nullptr;
        const unsigned long long expected = std::strtoull(announced.c_str(), &end, 10);
        if (!announced.empty() && end && *end == '\0' && response_body.size() < expected)
            return fail(RequestFailure::connection_lost);
    }

    status_ = status.value().lVal;
    response_headers_ = header_lines(text_of(headers.value()));
    response_body_ = std::move(response_body);
    return true;
}
