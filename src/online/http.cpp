// SPDX-License-Identifier: MIT
#include "online/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace http {

// ---- UrlDelegate ----

UrlDelegate::UrlDelegate(evt::Callback cb, void* user)
    : m_cb(cb), m_user(user), m_file_mode(false) {}

UrlDelegate::UrlDelegate(evt::Callback cb, const std::string& path, void* user)
    : m_cb(cb), m_path(path), m_user(user), m_file_mode(true) {}

UrlDelegate::~UrlDelegate() {
    if (m_file) fclose(m_file);
}

void UrlDelegate::didReceiveResponse(int status) {
    if (!m_file_mode) {
        m_data.clear();
    } else if (m_file) { // a new response after a redirect: start the file again
        fclose(m_file);
        m_file = fopen((m_path + ".tmp").c_str(), "wb");
    }
    m_status = status;
}

void UrlDelegate::didReceiveData(const unsigned char* bytes, size_t n) {
    if (!m_file_mode) {
        m_data.insert(m_data.end(), bytes, bytes + n);
        return;
    }
    if (n == 0) return;
    if (!m_file) m_file = fopen((m_path + ".tmp").c_str(), "wb");
    if (m_file) fwrite(bytes, 1, n, m_file);
}

void UrlDelegate::didFinishLoading() {
    Result r{nullptr, 0, m_status, m_user};
    if (m_file_mode && m_file) {
        fclose(m_file);
        m_file = nullptr;
        if (m_status >= 200 && m_status <= 399)
            std::rename((m_path + ".tmp").c_str(), m_path.c_str());
    } else {
        r.data = m_data.data();
        r.length = static_cast<int>(m_data.size());
    }
    m_cb.call(&r);
}

void UrlDelegate::didFailWithError(const std::string& description) {
    if (m_file) {
        fclose(m_file); // the partial temporary file stays on disk
        m_file = nullptr;
    }
    Result r{reinterpret_cast<const unsigned char*>(description.data()),
             static_cast<int>(description.size()), 0, m_user};
    m_cb.call(&r);
}

// ---- transfers ----

namespace {

struct Transfer {
    int id;
    CURL* easy;
    UrlDelegate* delegate;
    curl_slist* headers = nullptr;
    std::string body;
    bool responded = false;
    bool too_large = false;
    size_t received = 0;
    char error[CURL_ERROR_SIZE] = {};
    // Bytes arrive inside curl_multi_perform; they are handed on after it returns, so a
    // delegate's callback may start or cancel transfers freely.
    std::vector<unsigned char> pending;
};

CURLM* multi = nullptr;
std::vector<std::unique_ptr<Transfer>> transfers;
int next_id = 1;
long timeout_ms = 20000;

size_t onWrite(char* ptr, size_t size, size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * n;
    t->received += bytes;
    if (t->received > MAX_REPLY) {
        t->too_large = true;
        return 0; // makes curl fail the transfer with CURLE_WRITE_ERROR
    }
    t->pending.insert(t->pending.end(), ptr, ptr + bytes);
    return bytes;
}

void finish(Transfer* t) {
    curl_multi_remove_handle(multi, t->easy);
    curl_easy_cleanup(t->easy);
    curl_slist_free_all(t->headers);
}

} // namespace

void setTimeout(double timeout_s) {
    timeout_ms = static_cast<long>(timeout_s * 1000.0);
}

int start(const Request& req, UrlDelegate* delegate) {
    if (!multi) {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        multi = curl_multi_init();
    }
    auto t = std::make_unique<Transfer>();
    t->id = next_id++;
    t->easy = curl_easy_init();
    t->delegate = delegate;
    t->body = req.body;
    CURL* e = t->easy;
    curl_easy_setopt(e, CURLOPT_URL, req.url.c_str());
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &onWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, t.get());
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t->error);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, timeout_ms);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, std::min(timeout_ms, 10000L));
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Flingo/1.0");
    if (req.method == "POST") {
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, t->body.c_str());
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE, static_cast<long>(t->body.size()));
    }
    if (!req.content_type.empty())
        t->headers = curl_slist_append(t->headers, ("content-type: " + req.content_type).c_str());
    t->headers = curl_slist_append(t->headers, "Expect:"); // no 100-continue round trip
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, t->headers);
    curl_multi_add_handle(multi, e);
    transfers.push_back(std::move(t));
    return transfers.back()->id;
}

void cancel(int id) {
    auto it = std::find_if(transfers.begin(), transfers.end(),
                           [&](const auto& t) { return t->id == id; });
    if (it == transfers.end()) return;
    finish(it->get());
    transfers.erase(it);
}

void poll() {
    if (!multi || transfers.empty()) return;
    int running = 0;
    curl_multi_perform(multi, &running);

    // Hand on what arrived, then the finished transfers. Work on ids: callbacks may start or
    // cancel transfers.
    std::vector<int> ids;
    for (auto& t : transfers)
        ids.push_back(t->id);
    for (int id : ids) {
        auto it = std::find_if(transfers.begin(), transfers.end(),
                               [&](const auto& t) { return t->id == id; });
        if (it == transfers.end()) continue;
        Transfer* t = it->get();
        if (!t->pending.empty()) {
            if (!t->responded) {
                long status = 0;
                curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
                t->responded = true;
                t->delegate->didReceiveResponse(status ? static_cast<int>(status) : 200);
            }
            std::vector<unsigned char> bytes;
            bytes.swap(t->pending);
            t->delegate->didReceiveData(bytes.data(), bytes.size());
        }
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
        if (msg->msg != CURLMSG_DONE) continue;
        auto it = std::find_if(transfers.begin(), transfers.end(),
                               [&](const auto& t) { return t->easy == msg->easy_handle; });
        if (it == transfers.end()) continue;
        std::unique_ptr<Transfer> t = std::move(*it);
        transfers.erase(it);
        const CURLcode code = msg->data.result;
        long status = 0;
        curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
        std::string error = t->too_large  ? "The reply is too large."
                            : t->error[0] ? t->error
                                          : curl_easy_strerror(code);
        finish(t.get());
        if (code == CURLE_OK) {
            if (!t->responded) t->delegate->didReceiveResponse(status ? int(status) : 200);
            t->delegate->didFinishLoading();
        } else {
            t->delegate->didFailWithError(error);
        }
    }
}

int active() {
    return static_cast<int>(transfers.size());
}

std::string formEncode(const std::string& value) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : value) {
        if (isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

} // namespace http
