// The web request routine's handling of what a server sends back: the response
// header block (its Set-Cookie lines collected and merged into the caller's
// cookies) and, on the way out, the caller's header block and cookie text. The
// request object is a stand-in that sends nothing and answers with the input.
#include "fuzz_support.h"

#include "web_request.h"

namespace {

class CannedRequest : public HttpRequest {
public:
    Text response_headers;

    bool set_timeouts(int, int, int, int) override { return true; }
    bool set_proxy(int, const Text&) override { return true; }
    bool open(const Text&, const Text&, bool) override { return true; }
    bool set_option(int, int) override { return true; }
    bool set_credentials(const Text&, const Text&, int) override { return true; }
    bool set_request_header(const Text& name, const Text& value) override
    {
        sent_bytes += name.size() + value.size();
        return true;
    }
    bool send(const Text&) override { return true; }
    bool send(const Bytes&) override { return true; }
    Bytes response_body() const override { return {}; }
    Text all_response_headers() const override { return response_headers; }
    int status() const override { return 200; }

    std::size_t sent_bytes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    const bool merge = provider.ConsumeBool();
    Text cookies = consume_text(provider, 512);
    Text headers = consume_text(provider, 512);
    const std::vector<std::uint8_t> rest = provider.ConsumeRemainingBytes<std::uint8_t>();

    CannedRequest request;
    request.response_headers = text_from(rest.data(), rest.size());
    Text returned_cookies;
    Text returned_headers;
    int status = 0;
    WebRequestOptions options;
    options.cookies = &cookies;
    options.returned_cookies = &returned_cookies;
    options.headers = &headers;
    options.returned_headers = &returned_headers;
    options.status = &status;
    options.request_object = &request;
    options.merge_cookies = merge;
    (void)visit_web_page("http://127.0.0.1/room", options);

    FUZZ_CHECK(returned_headers == request.response_headers);
    FUZZ_CHECK(status == 200);
    if (merge) {
        FUZZ_CHECK(returned_cookies == cookies);
        const TextArray items = split_text(returned_cookies, "; ");
        for (int i = 1; i <= items.count(); ++i) {
            FUZZ_CHECK(text_right(items.at(i), 8) != "=deleted");
            FUZZ_CHECK(index_in_array(items, items.at(i)) == i);
        }
    } else {
        // Collected only: never more than the header block held.
        FUZZ_CHECK(returned_cookies.size() <= request.response_headers.size());
    }
    return 0;
}
