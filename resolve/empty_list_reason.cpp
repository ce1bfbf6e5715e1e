#include "empty_list_reason.h"

#include "code_page.h"

namespace {

struct Reason {
    std::string chinese;  // UTF-8 here; the window gets it in code page 936
    std::string english;
};

// The English line of a fetch that failed, with what is known of why.
std::string not_fetched(const std::string& why)
{
    return "the page could not be fetched (" + why + ")";
}

Reason fetch_failure_reason(RequestFailure failure)
{
    switch (failure) {
        case RequestFailure::bad_address:
            return {"地址无效", not_fetched("not an http or https address")};
        case RequestFailure::name_not_found:
            return {"找不到服务器", not_fetched("the server's name was not found")};
        case RequestFailure::cannot_connect:
            return {"无法连接到服务器", not_fetched("could not connect to the server")};
        case RequestFailure::timed_out:
            return {"服务器响应超时", not_fetched("the server did not answer in time")};
        case RequestFailure::tls_failure:
            return {"安全连接失败", not_fetched("the secure connection failed")};
        case RequestFailure::connection_lost:
            return {"连接中断，页面未下载完整", not_fetched("the connection broke off")};
        case RequestFailure::too_large:
            return {"页面过大", not_fetched("it is too large")};
        default:
            return {"页面下载失败", "the page could not be fetched"};
    }
}

Reason reason(const ResolutionReport& report)
{
    const std::string status = "HTTP " + std::to_string(report.http_status);
    switch (empty_list_cause(report)) {
        case EmptyListCause::none:
        case EmptyListCause::abandoned:
            return {"", ""};
        case EmptyListCause::fetch_failed:
            return fetch_failure_reason(report.fetch_failure);
        case EmptyListCause::http_error:
            return {"页面下载失败（" + status + "）", not_fetched(status)};
        case EmptyListCause::empty_page:
            return {"页面内容为空（" + status + "）", "the page is empty (" + status + ")"};
        case EmptyListCause::no_description:
            return {"页面中没有找到直播流信息", "the page holds no stream description"};
        case EmptyListCause::unreadable_description:
            return {"直播流信息无法读取",
                    report.form == ResolutionReport::Form::base64
                        ? "the stream description (Base64 form) could not be read"
                        : "the stream description could not be read"};
        case EmptyListCause::room_offline:
            return {"房间未开播", "the room has no stream lines (it is probably offline)"};
        case EmptyListCause::no_qualities:
            return {"房间没有提供清晰度", "the room offers no qualities"};
    }
    return {"", ""};
}

}  // namespace

EmptyListCause empty_list_cause(const ResolutionReport& report)
{
    if (report.abandoned || report.fetch_failure == RequestFailure::abandoned)
        return EmptyListCause::abandoned;
    // Whatever else went wrong, a page that gave addresses needs no excuse.
    if (report.line_count > 0 && report.quality_count > 0) return EmptyListCause::none;
    if (report.fetch_failure != RequestFailure::none || report.http_status == 0)
        return EmptyListCause::fetch_failed;
    if (report.http_status >= 400) return EmptyListCause::http_error;
    if (report.body_bytes == 0) return EmptyListCause::empty_page;
    if (report.form == ResolutionReport::Form::missing) return EmptyListCause::no_description;
    if (!report.parsed) return EmptyListCause::unreadable_description;
    if (report.line_count < 1) return EmptyListCause::room_offline;
    if (report.quality_count < 1) return EmptyListCause::no_qualities;
    return EmptyListCause::none;
}

Text empty_list_reason_chinese(const ResolutionReport& report)
{
    return gbk_from_utf8(reason(report).chinese);
}

std::string empty_list_reason_english(const ResolutionReport& report)
{
    return reason(report).english;
}
