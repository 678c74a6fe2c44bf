// Dialogs as C++ objects: the object is attached to its window when the
// window is initialised, and every message goes through the class's message
// table, one row per message or command it handles.
#pragma once

#include <windows.h>

#include <vector>

namespace vellum::frame {

// Matches every command or control id, or every notification code.
constexpr UINT kAnyId = 0xFFFFFFFF;
constexpr UINT kAnyCode = 0xFFFFFFFF;

template <class T>
using MessageHandler = LRESULT (T::*)(WPARAM wParam, LPARAM lParam);

// One row of a message table. For WM_COMMAND, `id` and `code` are the command
// or control id and the notification code; for WM_NOTIFY, the sender's id and
// the notification code; for other messages both are kAnyId / kAnyCode.
template <class T>
struct MessageEntry {
    UINT message;
    UINT id;
    UINT code;
    MessageHandler<T> handler;
};

template <class T>
MessageEntry<T> OnMessage(UINT message, MessageHandler<T> handler) {
    return {message, kAnyId, kAnyCode, handler};
}
template <class T>
MessageEntry<T> OnCommand(UINT id, MessageHandler<T> handler) {
    return {WM_COMMAND, id, kAnyCode, handler};
}
template <class T>
MessageEntry<T> OnCommand(UINT id, UINT code, MessageHandler<T> handler) {
    return {WM_COMMAND, id, code, handler};
}
template <class T>
MessageEntry<T> OnNotify(UINT id, UINT code, MessageHandler<T> handler) {
    return {WM_NOTIFY, id, code, handler};
}

// The id and notification code a WM_COMMAND or WM_NOTIFY carries; for other
// messages kAnyId and kAnyCode.
struct MessageSource {
    UINT id;
    UINT code;
};
MessageSource SourceOf(UINT message, WPARAM wParam, LPARAM lParam);

class CDialogBase {
  public:
    CDialogBase() = default;
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;
    // A window that outlives its object is detached and destroyed, so it can
    // never call into freed memory.
    virtual ~CDialogBase();

    HWND Handle() const { return m_hWnd; }

  protected:
    // Creates the modeless dialog from template `id`; null on failure.
    HWND CreateFromTemplate(UINT id, HWND parent);
    // Runs the modal dialog from template `id`; returns what EndDialog was given.
    INT_PTR RunModal(UINT id, HWND parent);
    void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

    // Handles `message` if the class's table has a row for it.
    virtual bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

    HWND m_hWnd = nullptr;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// The base of each dialog class T, which names its template as T::IDD and its
// message table as T::Messages().
template <class T>
class CDialogImpl : public CDialogBase {
  public:
    HWND Create(HWND parent) { return CreateFromTemplate(T::IDD, parent); }
    INT_PTR DoModal(HWND parent) { return RunModal(T::IDD, parent); }

  protected:
    bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) final {
        const MessageSource source = SourceOf(message, wParam, lParam);
        for (const MessageEntry<T>& entry : T::Messages()) {
            if (entry.message == message && (entry.id == kAnyId || entry.id == source.id) &&
                (entry.code == kAnyCode || entry.code == source.code)) {
                result = (static_cast<T*>(this)->*entry.handler)(wParam, lParam);
                return true;
            }
        }
        return false;
    }
};

// Centres `window` over its owner, or over the work area when it has none (or
// the owner is hidden or minimised), and keeps it inside the work area.
void CenterWindow(HWND window);

// Icon resource `id` of the program at the size of the system metrics given
// (SM_CXICON/SM_CYICON or SM_CXSMICON/SM_CYSMICON). The system owns the handle.
HICON LoadIconResource(UINT id, int widthMetric, int heightMetric);

// What a secondary dialog does first: the program's icon `iconId` as its
// small icon, and centred over its owner.
void InitSecondaryDialog(HWND dialog, UINT iconId);

}  // namespace vellum::frame
