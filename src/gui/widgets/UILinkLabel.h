#pragma once

#include "widgets/AttributedString.h"

#include <QLabel>
#include <QRectF>

#include <optional>

// In Qt terms: a QLabel that opens its URL with QDesktopServices when its title is clicked.
// A label that shows its title in a link colour, underlined if asked, and opens its URL when
// its drawn title is clicked, once for a double or triple click. Every other click passes
// through to the view beneath, as do all clicks on a label without a URL. Text is always shown
// as plain text, never as markup.
class UILinkLabel : public QLabel {
    Q_OBJECT
public:
    static UILinkLabel* initWithFrame(const QRectF& frame, QWidget* parent = nullptr);

    // Shows title in the link colour (and underline) stored now.
    void setTitle(const QString& title);
    const QString& title() const { return titleText; }

    // With an empty url (null, "", "<null>", "(null)") the title shows as plain text; otherwise
    // the url is stored and a non-empty title shows as a link. Part of the label's interface;
    // the window sets the title and the url apart.
    void setUrlWithTitle(const QString& title, const QString& url);

    // The styled form of text with the current colour and underline; the label is not changed.
    AttributedString setAttributedString(const QString& text) const;

    // What the label shows: the styled string, or nothing when it shows plain text.
    const std::optional<AttributedString>& attributedText() const { return shown; }
    void setAttributedText(const AttributedString& text);
    // Plain text in the label's own colour, without link colour or underline.
    void setPlainText(const QString& text);

    static bool isEmptyValue(const QString& value);

    static bool checkTelNumber(const QString& text);
    static bool validateEmail(const QString& text);
    static bool checkURL(const QString& text);

    // The click's action: opens url when it is a link the program opens (see UrlOpener).
    void topAction();

    const QColor& linktextColor() const { return linkColor; }
    void setLinktextColor(const QColor& color) { linkColor = color; }
    bool underLine() const { return underlined; }
    void setUnderLine(bool underline) { underlined = underline; }
    const QString& url() const { return urlText; }
    void setUrl(const QString& url);

    // The label's own font; an underline from the styled string is added on top.
    void setLabelFont(const QFont& font);

    // Where the shown line is drawn, in the label's coordinates: the only part that takes clicks.
    QRect drawnTextRect() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    explicit UILinkLabel(QWidget* parent);
    void applyStyle();
    void showOneLine();

    bool underlined = false;
    QColor linkColor{0, 0, 255};
    QString titleText;  // null until set
    QString urlText;    // null until set
    QFont baseFont;
    std::optional<AttributedString> shown;
    QString fullText;       // what the label is given; it shows as much of its first line as fits
    bool openable = false;  // the url is one a click opens: the pointing hand shows over it
    bool pressed = false;
    // Presses within the double-click interval of the one before, in a run of clicks that
    // opened the link, are repeats and open nothing. Times are the events' own, in ms.
    bool pressRepeats = false;
    bool runOpened = false;
    qint64 lastPressMs = 0;
};
