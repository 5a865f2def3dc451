// SPDX-License-Identifier: MIT
#include "core/evt.h"

#include <algorithm>
#include <map>
#include <vector>

namespace evt {
namespace {

struct List {
    std::vector<Callback> entries;
    int delivering = 0;   // deliveries of this name in progress (nesting depth)
    bool removed = false; // an entry was blanked during a delivery; compact when it ends
};

using Mgr = std::map<std::string, List, std::less<>>;

// Created on first use so that static subscribers made before main work whatever the order of
// construction; the AutoSubscribers made after it are destroyed before it.
Mgr& getMgr() {
    static Mgr mgr;
    return mgr;
}

List& lookup(std::string_view name) {
    Mgr& mgr = getMgr();
    auto it = mgr.find(name);
    if (it == mgr.end()) it = mgr.emplace(std::string(name), List{}).first;
    return it->second;
}

Observer observer = nullptr;

} // namespace

void subscribe(std::string_view name, Callback cb) { lookup(name).entries.push_back(cb); }

void unsubscribe(std::string_view name, Callback cb) {
    List& list = lookup(name);
    auto it = std::find_if(list.entries.begin(), list.entries.end(),
                           [&](const Callback& e) { return !e.empty() && e == cb; });
    if (it == list.entries.end()) return;
    if (list.delivering > 0) {
        // A delivery walks positions by index: blank the entry instead of shifting the list
        // under it, and drop it once the outermost delivery of this name is over.
        *it = Callback();
        list.removed = true;
    } else {
        list.entries.erase(it);
    }
}

void doPublish(std::string_view name, void* payload) {
    if (observer) observer(name, payload);
    List& list = lookup(name); // map nodes are stable: stays valid while handlers subscribe
    const size_t n = list.entries.size();
    ++list.delivering;
    for (size_t i = 0; i < n; ++i) {
        // Copy: a handler that subscribes may make the vector move.
        Callback cb = list.entries[i];
        cb.call(payload);
    }
    if (--list.delivering == 0 && list.removed) {
        std::erase_if(list.entries, [](const Callback& e) { return e.empty(); });
        list.removed = false;
    }
}

int subscriberCount(std::string_view name) {
    Mgr& mgr = getMgr();
    auto it = mgr.find(name);
    if (it == mgr.end()) return 0;
    return static_cast<int>(std::count_if(it->second.entries.begin(), it->second.entries.end(),
                                          [](const Callback& e) { return !e.empty(); }));
}

void setObserver(Observer obs) { observer = obs; }

} // namespace evt
