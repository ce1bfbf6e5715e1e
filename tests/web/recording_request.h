// A request object that sends nothing: it writes down every call the routine
// makes, as one line each, and answers the reads with a canned response.
#pragma once

#include "http_request.h"

#include <string>
#include <vector>

class RecordingRequest : public HttpRequest {
public:
    std::vector<std::string> calls;

    // What the reads give back.
    Bytes canned_body;
    Text canned_headers;
    int canned_status = 0;

    bool set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms) override
    {
        calls.push_back("set_timeouts " + std::to_string(resolve_ms) + " " +
                        std::to_string(connect_ms) + " " + std::to_string(send_ms) + " " +
                        std::to_string(receive_ms));
        return true;
    }
    bool set_proxy(int setting, const Text& server) override
    {
        calls.push_back("set_proxy " + std::to_string(setting) + " " + server);
        return true;
    }
    bool open(const Text& verb, const Text& url, bool asynchronous) override
    {
        calls.push_back("open " + verb + " " + url + (asynchronous ? " async" : ""));
        return true;
    }
    bool set_option(int index, int value) override
    {
        calls.push_back("set_option " + std::to_string(index) + " " + std::to_string(value));
        return true;
    }
    bool set_credentials(const Text& user, const Text& password, int flag) override
    {
        calls.push_back("set_credentials " + user + " " + password + " " + std::to_string(flag));
        return true;
    }
    bool set_request_header(const Text& name, const Text& value) override
    {
        calls.push_back("header " + name + "|" + value);
        return true;
    }
    bool send(const Text& body) override
    {
        calls.push_back("send text " + body);
        return true;
    }
    bool send(const Bytes& body) override
    {
        calls.push_back("send bytes " + std::string(body.begin(), body.end()));
        return true;
    }
    Bytes response_body() const override { return canned_body; }
    Text all_response_headers() const override { return canned_headers; }
    int status() const override { return canned_status; }

    // Only the header calls, in order.
    std::vector<std::string> header_calls() const
    {
        std::vector<std::string> headers;
        for (const auto& call : calls) {
            if (call.rfind("header ", 0) == 0) headers.push_back(call.substr(7));
        }
        return headers;
    }
};
