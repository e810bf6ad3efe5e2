// What a user does to an item: presses, typed text, selections (scripts run these).
#include "dlg_int.h"

// ===== user actions ========================================================
//
// What a user does to an item, with the messages in the order a dialog
// window would send them:
//   press:  dialog BUTTON, item BUTTON down, item BUTTON up, then a toggle
//           flips (STATECHANGED) and a closing push button sends
//           ACTIONBUTTON to the dialog and closes it unless the hook aborts
//   set:    SETSTATE, the value is stored, STATECHANGED
//   select: the selection changes, dialog BUTTON, item BUTTON down and up
//           (row, clicks), STATECHANGED

namespace dlgint {

void userLog(const MSDialog *db, const char *format, ...) __attribute__((format(printf, 2, 3)));
void userLog(const MSDialog *db, const char *format, ...)
{
    char text[512];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    toolSubsystem_printf("Dialog %d: %s\n", db->id, text);
}

// Users can only reach a shown, enabled item.
bool reachable(DialogItem *it)
{
    if (!it->shown || !it->enabled) {
        userLog(it->db, "%s %d is %s", typeName(it->type).c_str(), it->id, it->shown ? "disabled" : "hidden");
        return false;
    }
    return true;
}

void stateChanged(DialogItem *it, bool really)
{
    if (!itemValid(it))
        return;
    refreshItem(it, true);
    if (!itemValid(it))
        return;
    DialogItemMessage m = itemMessage(DITEM_MESSAGE_STATECHANGED);
    m.u.stateChanged.reallyChanged = really ? 1 : 0;
    sendItem(it, m);
}

void buttonMessages(DialogItem *it, int row, int clicks, bool down)
{
    MSDialog *db = it->db;
    DialogMessage dm = dialogMessage(DIALOG_MESSAGE_BUTTON);
    dm.u.button.buttonTrans = BUTTONTRANS_UP;
    dm.u.button.clicks = clicks;
    dm.u.button.itemIndex = it->index;
    dm.u.button.pt = it->rect.origin;
    sendDialog(db, dm);
    if (down && itemValid(it)) {
        DialogItemMessage m = itemMessage(DITEM_MESSAGE_BUTTON);
        m.u.button.buttonTrans = BUTTONTRANS_DOWN;
        m.u.button.clicks = clicks;
        m.u.button.row = row;
        m.u.button.col = row >= 0 ? 0 : -1;
        sendItem(it, m);
    }
    if (itemValid(it)) {
        DialogItemMessage m = itemMessage(DITEM_MESSAGE_BUTTON);
        m.u.button.buttonTrans = BUTTONTRANS_UP;
        m.u.button.clicks = clicks;
        m.u.button.row = row;
        m.u.button.col = row >= 0 ? 0 : -1;
        sendItem(it, m);
    }
}

void userPress(DialogItem *it)
{
    EventScope event;
    if (!reachable(it))
        return;
    buttonMessages(it, -1, 1, true);
    if (!itemValid(it))
        return;
    if (it->type == RTYPE_ToggleButton) {
        if (!setToggle(it, !toggleOn(it))) {
            userLog(it->db, "ToggleButton %d has no value to change", it->id);
            return;
        }
        stateChanged(it, true);
        return;
    }
    if (it->type == RTYPE_PushButton && it->action != 0) {
        MSDialog *db = it->db;
        DialogMessage m = dialogMessage(DIALOG_MESSAGE_ACTIONBUTTON);
        m.u.actionButton.actionType = it->action;
        int action = it->action;
        sendDialog(db, m);
        if (isOpen(db) && !m.u.actionButton.abortAction)
            closeDialog(db, action);
    }
}

bool userSetText(DialogItem *it, const std::string &text)
{
    EventScope event;
    if (!reachable(it))
        return false;
    if (it->type == RTYPE_ToggleButton) {
        int64_t x;
        if (!mdlhost::parseInt64(text, x)) {
            userLog(it->db, "\"%s\" is not a toggle value", text.c_str());
            return false;
        }
        if ((x != 0) != toggleOn(it))
            userPress(it);
        return true;
    }
    if (it->type == RTYPE_OptionButton) {
        int64_t x;
        int e = mdlhost::parseInt64(text, x) ? matchingEntry(it, x) : -1;
        if (e < 0 || !it->entries[(size_t)e].enabled) {
            userLog(it->db, "OptionButton %d has no enabled entry of value \"%s\"", it->id, text.c_str());
            return false;
        }
        Value before = readItemValue(it);
        sendItemSimple(it, DITEM_MESSAGE_SETSTATE);
        if (!itemValid(it) || !chooseEntry(it, e))
            return false;
        stateChanged(it, !sameValue(before, readItemValue(it)));
        return true;
    }
    if (it->type != RTYPE_Text && it->type != RTYPE_ComboBox) {
        userLog(it->db, "%s %d takes no value", typeName(it->type).c_str(), it->id);
        return false;
    }
    // Typing starts by entering the field, and its hook sees that first.
    if (it->db->focus != it->index && (mdlDialog_itemSetFocus(it->db, it->index) != 0 || !itemValid(it)))
        return false;
    Value before = readItemValue(it);
    sendItemSimple(it, DITEM_MESSAGE_SETSTATE);
    if (!itemValid(it))
        return false;
    Value v;
    if (!valueFromText(it, text, v) || !writeItemValue(it, v)) {
        userLog(it->db, "\"%s\" is not a value of %s %d", text.c_str(), typeName(it->type).c_str(), it->id);
        return false;
    }
    stateChanged(it, !sameValue(before, readItemValue(it)));
    return true;
}

void userSelect(DialogItem *it, const std::vector<int> &rows, int clicks)
{
    EventScope event;
    if (!reachable(it))
        return;
    if (it->type == RTYPE_OptionButton) {
        if (rows.size() != 1 || rows[0] < 0 || rows[0] >= (int)it->entries.size() ||
            !it->entries[(size_t)rows[0]].enabled) {
            userLog(it->db, "OptionButton %d has no such enabled entry", it->id);
            return;
        }
        userSetText(it, std::to_string(it->entries[(size_t)rows[0]].value));
        return;
    }
    int n = rowCount(it);
    for (int r : rows)
        if (r < 0 || r >= n) {
            userLog(it->db, "%s %d has no row %d", typeName(it->type).c_str(), it->id, r);
            return;
        }
    if (it->type == RTYPE_ComboBox) {
        const char *t = rows.size() == 1 ? cellText(it, rows[0], 0) : nullptr;
        if (t == nullptr) {
            userLog(it->db, "ComboBox %d: choose one row", it->id);
            return;
        }
        userSetText(it, t);
        return;
    }
    if (it->type != RTYPE_ListBox) {
        userLog(it->db, "%s %d has no rows", typeName(it->type).c_str(), it->id);
        return;
    }
    if (!it->multi && rows.size() > 1) {
        userLog(it->db, "ListBox %d selects one row only", it->id);
        return;
    }
    std::set<int> before = it->selected;
    it->selected = std::set<int>(rows.begin(), rows.end());
    bool really = before != it->selected;
    buttonMessages(it, rows.empty() ? -1 : rows.back(), 1, true);
    if (clicks == 2 && itemValid(it))
        buttonMessages(it, rows.empty() ? -1 : rows.back(), 2, false);
    stateChanged(it, really);
}

} // namespace dlgint
