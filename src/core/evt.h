// SPDX-License-Identifier: MIT
// The event bus: every part of the game talks to the others by publishing named events with one
// pointer-sized payload word. Delivery is synchronous, depth-first and in subscription order.
#pragma once

#include "core/vector.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace evt {

class Callback {
  public:
    using Fn = void (*)(void* user, void* payload);
    using Caller = void (*)(const Callback& cb, void* payload);

    Callback() = default;

    // A plain function called as fn(user, payload).
    Callback(Fn f, void* user) : fn(f), object(user), caller(&pfnCaller) {}

    // A member function called as (obj->*m)(payload), virtual dispatch included.
    template <typename T>
    Callback(T* obj, void (T::*m)(void*))
        : mfn(reinterpret_cast<GenericMfn>(m)), object(static_cast<void*>(obj)),
          caller(&mfnCaller<T>) {}

    void call(void* payload) const {
        if (caller) caller(*this, payload);
    }
    bool empty() const { return caller == nullptr; }

    friend bool operator==(const Callback& a, const Callback& b) {
        // Member-pointer equality: every null member pointer is equal, whatever its adjustment.
        return a.caller == b.caller && a.fn == b.fn && a.object == b.object && a.mfn == b.mfn;
    }

  private:
    class Generic;
    using GenericMfn = void (Generic::*)(void*);

    static void pfnCaller(const Callback& cb, void* payload) { cb.fn(cb.object, payload); }

    template <typename T> static void mfnCaller(const Callback& cb, void* payload) {
        auto m = reinterpret_cast<void (T::*)(void*)>(cb.mfn);
        (static_cast<T*>(cb.object)->*m)(payload);
    }

    GenericMfn mfn = nullptr;
    Fn fn = nullptr;
    void* object = nullptr;
    Caller caller = nullptr;
};

void subscribe(std::string_view name, Callback cb);
void unsubscribe(std::string_view name, Callback cb);
void doPublish(std::string_view name, void* payload);
inline void publish(std::string_view name) {
    doPublish(name, nullptr);
}

// Typed publish: ints and bools travel in the word itself, pointers as they are.
template <typename T> void publish(std::string_view name, T value) {
    if constexpr (std::is_same_v<T, bool>) {
        doPublish(name, reinterpret_cast<void*>(static_cast<std::intptr_t>(value ? 1 : 0)));
    } else if constexpr (std::is_integral_v<T>) {
        doPublish(name, reinterpret_cast<void*>(static_cast<std::intptr_t>(value)));
    } else if constexpr (std::is_pointer_v<T>) {
        doPublish(name, const_cast<void*>(static_cast<const void*>(value)));
    } else {
        static_assert(std::is_pointer_v<T>, "payload must be an integer, a bool or a pointer");
    }
}

// Reading a payload word back.
inline int payloadInt(void* payload) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(payload));
}
inline bool payloadBool(void* payload) {
    return payload != nullptr;
}

// Ties a subscription to an object's lifetime (used for static subscribers made before main).
struct AutoSubscriber {
    AutoSubscriber(std::string_view n, Callback cb) : name(n), callback(cb) {
        subscribe(name, callback);
    }
    ~AutoSubscriber() { unsubscribe(name, callback); }
    AutoSubscriber(const AutoSubscriber&) = delete;
    AutoSubscriber& operator=(const AutoSubscriber&) = delete;

    std::string name;
    Callback callback;
};

// Number of subscriptions of a name (0 for an unknown name). For diagnostics and tests.
int subscriberCount(std::string_view name);

// Observer called before each delivery with the event name and payload (the headless trace).
using Observer = void (*)(std::string_view name, void* payload);
void setObserver(Observer obs);

} // namespace evt
