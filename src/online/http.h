// SPDX-License-Identifier: MIT
// URL requests driven from the frame loop: transfers advance in poll(), which never waits, and
// report to a UrlDelegate on the main thread.
#pragma once

#include "core/evt.h"

#include <cstdio>
#include <string>
#include <vector>

namespace http {

// What a finished request hands to its callback (by pointer).
struct Result {
    const unsigned char* data; // the body (memory mode), the error text (failure), or null
    int length;
    int status; // HTTP status; 0 when the connection failed
    void* user;
};

// Collects one reply in memory, or in a file (written to path + ".tmp" and renamed over path
// when the status is 200 to 399), and calls its callback once with the Result.
class UrlDelegate {
  public:
    UrlDelegate(evt::Callback cb, void* user);                          // memory mode
    UrlDelegate(evt::Callback cb, const std::string& path, void* user); // file mode
    ~UrlDelegate();
    UrlDelegate(const UrlDelegate&) = delete;
    UrlDelegate& operator=(const UrlDelegate&) = delete;

    void didReceiveResponse(int status);
    void didReceiveData(const unsigned char* bytes, size_t n);
    void didFinishLoading();
    void didFailWithError(const std::string& description);

  private:
    evt::Callback m_cb;
    std::vector<unsigned char> m_data;
    int m_status = 200;
    std::string m_path; // empty in memory mode
    FILE* m_file = nullptr;
    void* m_user;
    bool m_file_mode;
};

struct Request {
    std::string url;
    std::string method = "GET";
    std::string body;
    std::string content_type;
};

// Replies larger than this fail with "The reply is too large."; requests give up after
// `timeout_s` seconds ("Timeout was reached").
constexpr size_t MAX_REPLY = 2 * 1024 * 1024;
void setTimeout(double timeout_s);

// Starts a transfer reporting to `delegate` (which must live until its callback has run).
// Returns an id for cancel().
int start(const Request& req, UrlDelegate* delegate);
// Drops a transfer silently: its delegate hears nothing more.
void cancel(int id);
// Advances every transfer without blocking and delivers what has arrived. Call once a frame.
void poll();
// Number of transfers still running.
int active();

// Percent-encodes a form value (letters, digits and -._~ pass unchanged).
std::string formEncode(const std::string& value);

} // namespace http
