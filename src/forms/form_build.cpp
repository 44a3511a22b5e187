#include "forms/build.h"

#include <algorithm>
#include <vector>

#include "base/exception.h"
#include "forms/form.h"
#include "forms/timer.h"

namespace forms {
namespace {

// The type-specific properties of a row.
void applyKindProperties(Control& c, const ControlRow& row) {
    if (auto* label = dynamic_cast<Label*>(&c)) {
        label->autoSize = row.autoSize;
        label->alignment = row.alignment;
    } else if (auto* panel = dynamic_cast<Panel*>(&c)) {
        panel->raisedBevel = row.bevel;
        panel->color = row.color;
    } else if (auto* button = dynamic_cast<PushButton*>(&c)) {
        button->isDefault = row.isDefault;
        button->isCancel = row.isCancel;
        button->modalResult = row.modalResult;
    }
}

// Focusable controls stack by tab order (dialog navigation follows the stacking); the rest lie
// behind them, later-made in front, so overlaps draw as laid out.
void applyTabOrder(Control& parent) {
    std::vector<Control*> focusable, rest;
    for (Control* c : parent.children()) (c->tabStop ? focusable : rest).push_back(c);
    std::stable_sort(focusable.begin(), focusable.end(),
                     [](Control* a, Control* b) { return a->tabOrder < b->tabOrder; });
    std::reverse(rest.begin(), rest.end());
    HWND after = HWND_TOP;
    for (auto* list : {&focusable, &rest})
        for (Control* c : *list) {
            ::SetWindowPos(c->handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = c->handle();
        }
    for (Control* c : parent.children()) applyTabOrder(*c);
}

// A parent must be made by an earlier row: a table that names another is wrong, and a control placed
// on the form instead would hide that.
Control& rowParent(Form& form, const ControlRow& row) {
    if (row.parent.empty()) return form;
    if (auto* parent = form.find<Control>(row.parent)) return *parent;
    throw ocellus::EAssertionFailed(L"Layout row '" + std::wstring(row.name) + L"' names the parent '" +
                                    std::wstring(row.parent) + L"', which no earlier row of " + form.name +
                                    L" makes");
}

}  // namespace

void Form::build(std::span<const ControlRow> rows) {
    for (const ControlRow& row : rows) {
        auto& c = dynamic_cast<Control&>(row.make(*this, &rowParent(*this, row)));
        c.name.assign(row.name);
        c.tag = row.tag;
        c.tabOrder = row.tabOrder;
        c.setBounds(row.bounds.left, row.bounds.top, row.bounds.width, row.bounds.height);
        c.setCaption(row.caption);
        c.setAnchors(row.anchors);
        c.dock = row.dock;
        if (!row.font.face.empty()) {
            c.parentFont = false;
            c.font().assign(row.font);
        }
        c.onClick = bound(*this, row.onClick);
        c.onMouseUp = bound(*this, row.onMouseUp);
        applyKindProperties(c, row);
        c.createWindow();
    }
    applyTabOrder(*this);
    realign(*this);
}

void Form::build(std::span<const TimerRow> rows) {
    for (const TimerRow& row : rows) {
        auto& t = dynamic_cast<Timer&>(row.make(*this, nullptr));
        t.name.assign(row.name);
        t.setInterval(row.interval);
        t.onTimer = bound(*this, row.onTimer);
    }
}

}  // namespace forms
