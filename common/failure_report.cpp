#include "common/failure_report.h"

#include <cstdio>
#include <vector>

#include "platform/com/hresult.h"
#include "platform/system/local_time.h"
#include "platform/system/message_beep.h"

namespace {

constexpr DWORD kErrorTextCapacity = 1023;

std::string FormatLabel(const char* format, va_list args) {
    if (!format) return {};
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (size <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<std::size_t>(size));
}

}  // namespace

std::string BuildFailureText(HRESULT hr, const std::string& label, std::time_t when) {
    std::string text = FormatLocalTime("%c - ", when);
    char code[16];
    std::snprintf(code, sizeof code, "%x - ", static_cast<unsigned>(hr));
    text += code;
    char errorText[kErrorTextCapacity + 1];
    if (AMGetErrorTextA(hr, errorText, kErrorTextCapacity) > 0 && errorText[0] != '\0') {
        text += errorText;
        text += " - ";
    }
    text += label;
    return text;
}

void ReportFailureV(IFailureReportSink* sink, HRESULT hr, BOOL beep, const char* format, va_list args) {
    const std::string text = BuildFailureText(hr, FormatLabel(format, args), std::time(nullptr));
    if (beep) MessageBeep(0);
    if (!sink) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }
    const int index = sink->AppendReportLine(text);
    if (index >= 0) sink->SelectReportLine(index);
}

void ReportFailure(IFailureReportSink* sink, HRESULT hr, BOOL beep, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ReportFailureV(sink, hr, beep, format, args);
    va_end(args);
}
