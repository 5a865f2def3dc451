// SPDX-License-Identifier: MIT
#include "shell/trace.h"

#include "core/events.h"
#include "core/evt.h"
#include "core/platform.h"
#include "core/vector.h"

#include <cerrno>
#include <charconv>
#include <cstring>

namespace shell {
namespace {

long step = 0;
FILE* trace_file = nullptr;
std::string trace_path;
bool trace_failed = false;
std::string line; // reused: a trace line allocates nothing once it has grown

void appendNumber(std::string& out, double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendNumber(std::string& out, float v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendInt(std::string& out, long v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// Said once; the run then goes on without a trace and ends with a failure status.
void traceFailed(int err) {
    if (trace_failed) return;
    trace_failed = true;
    platform::log("cannot write the trace %s: %s", trace_path.c_str(), strerror(err));
}

void writeLine() {
    line += '\n';
    if (fwrite(line.data(), 1, line.size(), trace_file) != line.size()) traceFailed(errno);
}

void observe(std::string_view name, void* payload) {
    if (!trace_file || trace_failed) return;
    line.assign("{\"frame\":");
    appendInt(line, step);
    line += ",\"event\":";
    appendJsonString(line, name);
    line += ",\"payload\":";
    formatPayload(events::payloadOf(name), payload, line);
    line += '}';
    writeLine();
}

void logHook(const char* text) {
    if (!trace_file || trace_failed) return;
    line.assign("{\"frame\":");
    appendInt(line, step);
    line += ",\"log\":";
    appendJsonString(line, text);
    line += '}';
    writeLine();
}

} // namespace

void appendJsonString(std::string& out, std::string_view s) {
    out += '"';
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

void formatPayload(events::Payload kind, void* payload, std::string& out) {
    switch (kind) {
    case events::Payload::Int:
        appendInt(out, evt::payloadInt(payload));
        return;
    case events::Payload::Bool:
        out += payload ? "true" : "false";
        return;
    case events::Payload::String:
        if (payload)
            appendJsonString(out, static_cast<const char*>(payload));
        else
            out += "null";
        return;
    case events::Payload::Point:
        if (payload) {
            const auto* p = static_cast<const Vector2<float>*>(payload);
            out += '[';
            appendNumber(out, p->x);
            out += ',';
            appendNumber(out, p->y);
            out += ']';
        } else {
            out += "null";
        }
        return;
    case events::Payload::Seconds:
        if (payload)
            appendNumber(out, *static_cast<const double*>(payload));
        else
            out += "null";
        return;
    case events::Payload::OptionalInt:
        if (payload)
            appendInt(out, *static_cast<const int*>(payload));
        else
            out += "null";
        return;
    case events::Payload::None:
        out += "null";
        return;
    }
}

long currentStep() {
    return step;
}
void setCurrentStep(long s) {
    step = s;
}

bool openTrace(const std::string& path) {
    closeTrace();
    trace_path = path;
    trace_failed = false;
    trace_file = fopen(path.c_str(), "w");
    if (!trace_file) {
        platform::log("cannot write the trace %s: %s", path.c_str(), strerror(errno));
        return false;
    }
    line.reserve(256);
    evt::setObserver(&observe);
    platform::setLogHook(&logHook);
    return true;
}

bool closeTrace() {
    if (!trace_file) return true;
    evt::setObserver(nullptr);
    platform::setLogHook(nullptr);
    // The last lines reach the file only now.
    const bool flushed = fflush(trace_file) == 0;
    const int err = errno;
    if (fclose(trace_file) != 0 || !flushed) traceFailed(flushed ? errno : err);
    trace_file = nullptr;
    return !trace_failed;
}

} // namespace shell
