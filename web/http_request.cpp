// What the request object does the same way over every backend: the body's
// encoding on the way out and the last exchange's outcome on the way back.
#include "http_request.h"

#include "code_page.h"

bool HttpRequest::send(const Text& body)
{
    return send_bytes(utf8_from_gbk(body));
}

bool HttpRequest::send(const Bytes& body)
{
    return send_bytes(std::string(body.begin(), body.end()));
}

RequestFailure HttpRequest::failure() const
{
    return failure_;
}

Bytes HttpRequest::response_body() const
{
    return response_body_;
}

Text HttpRequest::all_response_headers() const
{
    return response_headers_;
}

int HttpRequest::status() const
{
    return status_;
}

void HttpRequest::forget_response()
{
    status_ = 0;
    response_headers_.clear();
    response_body_.clear();
}
