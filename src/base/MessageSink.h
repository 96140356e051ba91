#pragma once
// The one seam through which every message box of the program goes. Windows
// install a sink that shows real boxes; tests install one that records the
// exact text and kind; the command-line tool prints them.

#include <QString>

namespace kaspen {

enum class MessageKind {
    Standard, // application title, exclamation icon, OK
    Error,    // caption "Error", stop icon, OK
    Warning,  // own caption (for instance "GPSError!"), warning icon, OK
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // A modal box with one OK button.
    virtual void show(MessageKind kind, const QString &text, const QString &caption = QString()) = 0;
    // A modal question with "Yes" and "No"; true for "Yes".
    virtual bool confirm(const QString &caption, const QString &text) = 0;
};

// The program's sink. Until one is installed, messages go to standard error
// and questions are answered "No".
MessageSink &messages();
// The caller keeps ownership; nullptr restores the default.
void setMessageSink(MessageSink *sink);

// Shorthands
inline void showMessage(const QString &text) { messages().show(MessageKind::Standard, text); }
inline void showError(const QString &text) { messages().show(MessageKind::Error, text); }

// The application's title, used as the caption of standard boxes.
QString applicationTitle();

} // namespace kaspen
