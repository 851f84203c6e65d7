#include "widgets/UILinkLabel.h"

#include "platform/SystemLog.h"
#include "platform/UrlOpener.h"
#include "text/StringValidators.h"
#include "widgets/ViewGeometry.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleHints>

UILinkLabel* UILinkLabel::initWithFrame(const QRectF& frame, QWidget* parent) {
    auto* label = new UILinkLabel(parent);
    ViewGeometry::setFrame(label, frame);
    return label;
}

UILinkLabel::UILinkLabel(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);  // the pointing hand follows the drawn title, not the whole row
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    baseFont = font();
}

bool UILinkLabel::isEmptyValue(const QString& value) {
    return value.isNull() || value.isEmpty() || value == QLatin1String("<null>") ||
           value == QLatin1String("(null)");
}

AttributedString UILinkLabel::setAttributedString(const QString& text) const {
    AttributedString styled{text, {}};
    const qsizetype n = text.size();
    if (underlined)
        styled.attributes.append({TextAttribute::Kind::UnderlineStyle, 0, n, QColor(), 1});
    // A label without a colour falls back to the platform's link blue.
    const QColor color = linkColor.isValid() ? linkColor : QColor(0, 0, 255);
    styled.attributes.append({TextAttribute::Kind::ForegroundColor, 0, n, color, 0});
    return styled;
}

void UILinkLabel::setTitle(const QString& title) {
    titleText = title.isNull() ? QStringLiteral("") : title;
    setAttributedText(setAttributedString(titleText));
}

void UILinkLabel::setUrlWithTitle(const QString& title, const QString& url) {
    if (isEmptyValue(url)) {
        urlText = QStringLiteral("");
        titleText = title;
        setPlainText(title);
        return;
    }
    setUrl(url);
    if (isEmptyValue(title)) return;
    titleText = title;
    setAttributedText(setAttributedString(titleText));
}

void UILinkLabel::setAttributedText(const AttributedString& text) {
    shown = text;
    fullText = text.text;
    applyStyle();
}

void UILinkLabel::setPlainText(const QString& text) {
    shown.reset();
    fullText = text;
    applyStyle();
}

void UILinkLabel::showOneLine() {
    // One line, cut at its end to the label's width; the whole text is the tooltip.
    static const QRegularExpression lineBreak(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}]"));
    const qsizetype lineEnd = fullText.indexOf(lineBreak);
    QString line = fullText;
    if (lineEnd >= 0) line = fullText.left(lineEnd) + QChar(0x2026);
    if (fontMetrics().horizontalAdvance(line) > width())
        line = fontMetrics().elidedText(lineEnd >= 0 ? fullText.left(lineEnd) : fullText,
                                        Qt::ElideRight, width());
    setText(line);
    setToolTip(line == fullText ? QString() : fullText);
}

void UILinkLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    showOneLine();
}

void UILinkLabel::setUrl(const QString& url) {
    urlText = url;
    openable = UrlOpener::isOpenableLink(urlText);
    unsetCursor();
}

QRect UILinkLabel::drawnTextRect() const {
    const QFontMetrics metrics = fontMetrics();
    const QSize drawn(metrics.horizontalAdvance(text()), metrics.height());
    return QStyle::alignedRect(layoutDirection(), alignment(), drawn, contentsRect());
}

void UILinkLabel::setLabelFont(const QFont& font) {
    baseFont = font;
    applyStyle();
}

void UILinkLabel::applyStyle() {
    QFont f = baseFont;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, QPalette().color(QPalette::WindowText));
    if (shown) {
        // The layout always styles the whole title, so whole-text attributes are all that show.
        if (const TextAttribute* u = shown->wholeText(TextAttribute::Kind::UnderlineStyle))
            f.setUnderline(u->underline != 0);
        if (const TextAttribute* c = shown->wholeText(TextAttribute::Kind::ForegroundColor))
            p.setColor(QPalette::WindowText, c->color);
    }
    setFont(f);
    setPalette(p);
    showOneLine();
}

bool UILinkLabel::checkTelNumber(const QString& text) {
    return StringValidators::checkTelNumber(text);
}

bool UILinkLabel::validateEmail(const QString& text) {
    return StringValidators::validateEmail(text);
}

bool UILinkLabel::checkURL(const QString& text) {
    return StringValidators::checkURL(text);
}

void UILinkLabel::topAction() {
    // No URL at all, or the empty one of a plain label: nothing to open.
    if (urlText.isEmpty()) return;
    if (!UrlOpener::isOpenableLink(urlText)) {
        SystemLog::write(
            QStringLiteral("Not opening \"%1\": only http, https, mailto and tel links open.")
                .arg(urlText.left(200)));
        return;
    }
    UrlOpener::open(QUrl(urlText, QUrl::StrictMode));
}

// Only a click on the drawn title of a link belongs to the label; anything else is ignored, and
// Qt passes it on to the view beneath, where the picture's five clicks are counted.
void UILinkLabel::mousePressEvent(QMouseEvent* event) {
    pressed = false;
    if (urlText.isEmpty() || !drawnTextRect().contains(event->position().toPoint())) {
        event->ignore();
        return;
    }
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    const auto at = static_cast<qint64>(event->timestamp());
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    pressRepeats = runOpened && at >= lastPressMs && at - lastPressMs <= interval;
    if (!pressRepeats) runOpened = false;
    lastPressMs = at;
    pressed = true;
}

void UILinkLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void UILinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed) {
        event->ignore();
        return;
    }
    event->accept();
    pressed = false;
    if (event->button() != Qt::LeftButton ||
        !drawnTextRect().contains(event->position().toPoint()) || pressRepeats)
        return;
    runOpened = true;
    topAction();
}

void UILinkLabel::mouseMoveEvent(QMouseEvent* event) {
    if (openable && drawnTextRect().contains(event->position().toPoint()))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    event->ignore();
}
