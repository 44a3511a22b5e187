// Layout tables: one constexpr row per control, naming the handlers and the form member it fills.
#pragma once

#include <string_view>
#include <type_traits>

#include "forms/controls.h"
#include "forms/timer.h"

namespace forms {

// A handler in a table: a method of the form class, as a plain function so that tables stay constexpr.
template <class... A>
using Handler = void (*)(Form&, Component* sender, A...);
// The event that calls the handler on that form.
template <class... A>
Event<A...> bound(Form& form, Handler<A...> h) {
    if (!h) return {};
    return [&form, h](Component* sender, A... args) { h(form, sender, args...); };
}
// Makes a row's component, owned by the form, and stores it in the form's member where one is named.
using Maker = Component& (*)(Component& form, Control* parent);

namespace detail {
template <class M>
struct Method;
template <class F, class... A>
struct Method<void (F::*)(A...)> {
    template <void (F::*M)(A...)>
    static void call(Form& form, A... args) {
        (static_cast<F&>(form).*M)(args...);
    }
};

template <class M>
struct Member;
template <class F, class T>
struct Member<T* F::*> {
    template <T* F::*M>
    static Component& make(Component& form, Control* parent) {
        T* made = nullptr;
        if constexpr (std::is_base_of_v<Control, T>) made = &form.add<T>(parent);
        else made = &form.add<T>();
        static_cast<F&>(form).*M = made;
        return *made;
    }
};

template <class T>
Component& make(Component& form, Control* parent) {
    return form.add<T>(parent);
}
}  // namespace detail

// handler<&TMyForm::OKButtonClick>: the method as a table entry.
template <auto M>
inline constexpr auto handler = &detail::Method<decltype(M)>::template call<M>;
// member<&TMyForm::OKButton>: a control of the member's type, stored in it.
template <auto M>
inline constexpr Maker member = &detail::Member<decltype(M)>::template make<M>;
// kind<Label>: a control of that type that no member holds.
template <class T>
inline constexpr Maker kind = &detail::make<T>;

struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
};

struct ControlRow {
    std::wstring_view name;
    Maker make;
    std::wstring_view parent{};  // empty: the form
    Bounds bounds{};
    std::wstring_view caption{};
    win32::FontDef font{};  // no face: the parent's font
    Anchors anchors = akLeft | akTop;
    Dock dock = Dock::None;
    int tabOrder = -1;
    int tag = 0;
    Handler<> onClick = nullptr;
    Handler<int, ShiftState, int, int> onMouseUp = nullptr;
    // Labels
    bool autoSize = true;
    TextAlign alignment = TextAlign::Left;
    // Panels (other controls take their parent's colour)
    win32::Color color = win32::clBtnFace;
    bool bevel = true;
    // Push buttons: Enter presses the default one, Esc the cancel one; a modal result ends showModal.
    bool isDefault = false;
    bool isCancel = false;
    int modalResult = 0;
};

struct TimerRow {
    std::wstring_view name;
    Maker make;
    unsigned interval = kDefaultTimerInterval;  // milliseconds
    Handler<> onTimer = nullptr;
};

}  // namespace forms
