// What the window and the command line say when a resolution finds no address:
// the same cause behind both texts, taken from the report alone.
#include "code_page.h"
#include "empty_list_reason.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A report as a resolution of a live room with two lines and three qualities
// leaves it; each case changes what went differently.
ResolutionReport report_where(const std::function<void(ResolutionReport&)>& change)
{
    ResolutionReport report;
    report.http_status = 200;
    report.body_bytes = 5000;
    report.form = ResolutionReport::Form::plain;
    report.parsed = true;
    report.line_count = 2;
    report.quality_count = 3;
    report.rows = 8;
    change(report);
    return report;
}

TEST(EmptyListReason, EachCauseHasItsLineInBothLanguages)
{
    using enum EmptyListCause;
    using Form = ResolutionReport::Form;
    // Each step that finds nothing leaves the later ones nothing to find.
    auto unread = [](ResolutionReport& r) {
        r.parsed = false;
        r.line_count = r.quality_count = r.rows = 0;
    };
    auto nothing_cut = [unread](ResolutionReport& r) {
        r.form = Form::missing;
        unread(r);
    };
    auto no_response = [nothing_cut](RequestFailure failure) {
        return [failure, nothing_cut](ResolutionReport& r) {
            r.fetch_failure = failure;
            r.http_status = 0;
            r.body_bytes = 0;
            nothing_cut(r);
        };
    };
    // clang-format off
    struct Case {
        const char* why;
        std::function<void(ResolutionReport&)> change;
        EmptyListCause cause;
        const char* chinese;
        const char* english;
    };
    const Case cases[] = {
        {"addresses found", [](ResolutionReport&) {}, none, "", ""},
        {"closed while fetching", no_response(RequestFailure::abandoned), abandoned, "", ""},
        {"closed while decoding", [unread](ResolutionReport& r) { r.abandoned = true; unread(r); },
         abandoned, "", ""},
        {"bad address", no_response(RequestFailure::bad_address), fetch_failed,
         "地址无效", "the page could not be fetched (not an http or https address)"},
        {"name not found", no_response(RequestFailure::name_not_found), fetch_failed,
         "找不到服务器", "the page could not be fetched (the server's name was not found)"},
        {"refused", no_response(RequestFailure::cannot_connect), fetch_failed,
         "无法连接到服务器", "the page could not be fetched (could not connect to the server)"},
        {"timed out", no_response(RequestFailure::timed_out), fetch_failed,
         "服务器响应超时", "the page could not be fetched (the server did not answer in time)"},
        {"TLS", no_response(RequestFailure::tls_failure), fetch_failed,
         "安全连接失败", "the page could not be fetched (the secure connection failed)"},
        {"broken off", no_response(RequestFailure::connection_lost), fetch_failed,
         "连接中断，页面未下载完整", "the page could not be fetched (the connection broke off)"},
        {"too large", no_response(RequestFailure::too_large), fetch_failed,
         "页面过大", "the page could not be fetched (it is too large)"},
        {"some other failure", no_response(RequestFailure::other), fetch_failed,
         "页面下载失败", "the page could not be fetched"},
        {"no status though nothing failed", no_response(RequestFailure::none), fetch_failed,
         "页面下载失败", "the page could not be fetched"},
        {"HTTP 404", [nothing_cut](ResolutionReport& r) { r.http_status = 404; nothing_cut(r); },
         http_error, "页面下载失败（HTTP 404）", "the page could not be fetched (HTTP 404)"},
        {"an error page that lists addresses all the same", [](ResolutionReport& r) { r.http_status = 500; },
         none, "", ""},
        {"empty body", [nothing_cut](ResolutionReport& r) { r.body_bytes = 0; nothing_cut(r); }, empty_page,
         "页面内容为空（HTTP 200）", "the page is empty (HTTP 200)"},
        {"no description", nothing_cut, no_description,
         "页面中没有找到直播流信息", "the page holds no stream description"},
        {"unreadable object text", unread, unreadable_description,
         "直播流信息无法读取", "the stream description could not be read"},
        {"unreadable Base64", [unread](ResolutionReport& r) { r.form = Form::base64; unread(r); }, unreadable_description,
         "直播流信息无法读取", "the stream description (Base64 form) could not be read"},
        {"offline", [](ResolutionReport& r) { r.line_count = 0; r.rows = 0; }, room_offline,
         "房间未开播", "the room has no stream lines (it is probably offline)"},
        {"no qualities", [](ResolutionReport& r) { r.quality_count = 0; r.rows = 2; }, no_qualities,
         "房间没有提供清晰度", "the room offers no qualities"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const ResolutionReport report = report_where(c.change);
        EXPECT_EQ(empty_list_cause(report), c.cause) << c.why;
        EXPECT_EQ(utf8_from_gbk(empty_list_reason_chinese(report)), c.chinese) << c.why;
        EXPECT_EQ(empty_list_reason_english(report), c.english) << c.why;
    }
}

}  // namespace
