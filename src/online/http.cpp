// SPDX-License-Identifier: MIT
#include "online/http.h"

#include "core/platform.h"

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
        if (m_progress)
            m_progress(Result{m_data.data(), static_cast<int>(m_data.size()), m_status, m_user});
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
    CURL* easy = nullptr;
    UrlDelegate* delegate;
    Request req;
    std::string origin; // where redirects may lead
    curl_slist* headers = nullptr;
    int redirects = 0;
    bool responded = false;
    bool too_large = false;
    bool redirecting = false; // the current response is a redirect: its body is dropped
    size_t received = 0, header_bytes = 0;
    char error[CURL_ERROR_SIZE] = {};
    // Bytes arrive inside curl_multi_perform; they are handed on after it returns, so a
    // delegate's callback may start or cancel transfers freely.
    std::vector<unsigned char> pending;
};

CURLM* multi = nullptr;
std::vector<std::unique_ptr<Transfer>> transfers;
int next_id = 1;
long timeout_ms = 20000;

bool isRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

size_t onHeader(char*, size_t size, size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    t->header_bytes += size * n;
    if (t->header_bytes > MAX_HEADER) {
        t->too_large = true;
        return 0;
    }
    return size * n;
}

size_t onWrite(char* ptr, size_t size, size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * n;
    if (t->redirecting) return bytes;
    long status = 0;
    curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
    char* location = nullptr;
    curl_easy_getinfo(t->easy, CURLINFO_REDIRECT_URL, &location);
    if (isRedirect(status) && location) {
        t->redirecting = true;
        return bytes;
    }
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
    t->easy = nullptr;
    t->headers = nullptr;
}

void begin(Transfer* t) {
    const Request& req = t->req;
    t->easy = curl_easy_init();
    t->redirecting = false;
    t->header_bytes = 0;
    t->error[0] = 0;
    CURL* e = t->easy;
    curl_easy_setopt(e, CURLOPT_URL, req.url.c_str());
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &onWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, t);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t->error);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, timeout_ms);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, std::min(timeout_ms, 10000L));
    // Redirects are followed here, not by curl: they must stay on the same host and port.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Flingo/1.0");
    if (req.method == "POST") {
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, req.body.c_str());
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE, static_cast<long>(req.body.size()));
    }
    if (!req.content_type.empty())
        t->headers = curl_slist_append(t->headers, ("content-type: " + req.content_type).c_str());
    t->headers = curl_slist_append(t->headers, "Expect:"); // no 100-continue round trip
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, t->headers);
    curl_multi_add_handle(multi, e);
}

// What the player reads for a failed transfer.
std::string failureText(CURLcode code, const Transfer& t) {
    if (t.too_large) return "The reply was too large.";
    switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return "The score server could not be reached.";
    case CURLE_OPERATION_TIMEDOUT:
        return "The score server did not answer in time.";
    case CURLE_OUT_OF_MEMORY: // curl's answer to a header too big for its buffers
    case CURLE_FILESIZE_EXCEEDED:
        return "The reply was too large.";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return "A secure connection to the score server could not be made.";
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
        return "The score server sent a reply the game cannot read.";
    default:
        return "The connection to the score server was lost.";
    }
}

// A redirect to follow: the next request, or a failure text.
bool redirect(Transfer* t, long status, const char* location, std::string& failure) {
    if (++t->redirects > MAX_REDIRECTS) {
        failure = "The score server sent the page round in circles.";
        platform::log("%s: more than %d redirects", t->req.url.c_str(), MAX_REDIRECTS);
        return false;
    }
    if (origin(location).empty() || origin(location) != t->origin) {
        failure = "The score server sent the page to another address.";
        platform::log("%s: not following the redirect to %s", t->req.url.c_str(), location);
        return false;
    }
    t->req.url = location;
    // 307 and 308 repeat the request as it was; the others fetch the new address.
    if (status != 307 && status != 308) {
        t->req.method = "GET";
        t->req.body.clear();
        t->req.content_type.clear();
    }
    return true;
}

} // namespace

std::string origin(const std::string& url) {
    std::string u = url;
    for (auto& c : u)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    const bool https = u.rfind("https://", 0) == 0;
    if (!https && u.rfind("http://", 0) != 0) return {};
    const size_t at = https ? 8 : 7;
    std::string host = u.substr(at, u.find_first_of("/?#", at) - at);
    if (host.empty() || host.find('@') != std::string::npos) return {};
    if (host.find(':', host.find(']') == std::string::npos ? 0 : host.find(']')) ==
        std::string::npos)
        host += https ? ":443" : ":80";
    return host;
}

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
    t->delegate = delegate;
    t->req = req;
    t->origin = origin(req.url);
    begin(t.get());
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
        Transfer* t = it->get();
        const CURLcode code = msg->data.result;
        long status = 0;
        curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
        std::string failure;
        char* location = nullptr;
        curl_easy_getinfo(t->easy, CURLINFO_REDIRECT_URL, &location);
        if (code == CURLE_OK && isRedirect(status) && location) {
            const std::string next = location;
            finish(t);
            if (redirect(t, status, next.c_str(), failure)) {
                begin(t);
                continue;
            }
        } else if (code != CURLE_OK) {
            failure = failureText(code, *t);
            platform::log("%s %s: %s (curl %d)", t->req.method.c_str(), t->req.url.c_str(),
                          t->error[0] ? t->error : curl_easy_strerror(code),
                          static_cast<int>(code));
        }
        std::unique_ptr<Transfer> done = std::move(*it);
        transfers.erase(it);
        if (done->easy) finish(done.get());
        if (failure.empty()) {
            if (!done->responded) done->delegate->didReceiveResponse(status ? int(status) : 200);
            done->delegate->didFinishLoading();
        } else {
            done->delegate->didFailWithError(failure);
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
