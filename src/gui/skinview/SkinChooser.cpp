#include "skinview/SkinChooser.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
// Past this many buttons the list scrolls instead of growing the dialog.
constexpr int kVisibleButtons = 8;
// Longer folder names are shortened in the middle so the dialog stays narrower than a screen.
constexpr qsizetype kLongestTitle = 48;

QString buttonTitle(const QString& name) {
    QString title =
        name.size() <= kLongestTitle
            ? name
            : name.left(kLongestTitle / 2 - 1) + QChar(0x2026) + name.right(kLongestTitle / 2);
    // Shown as it is: '&' would otherwise become a mnemonic.
    return title.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
}  // namespace

SkinChooser::SkinChooser(const QStringList& skins, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Skins"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    // Like an alert, the title shows inside too, above the message.
    auto* heading = new QLabel(QStringLiteral("Skins"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);
    auto* message = new QLabel(QStringLiteral("Please choice your skin."), this);
    message->setTextFormat(Qt::PlainText);
    message->setAlignment(Qt::AlignCenter);
    layout->addWidget(message);

    auto* list = new QWidget;
    auto* listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(0, 0, 0, 0);
    for (const QString& name : skins) {
        auto* button = new QPushButton(buttonTitle(name), list);
        button->setToolTip(name);
        button->setAutoDefault(true);
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, name] {
            emit skinChosen(name);
            accept();
        });
        listLayout->addWidget(button);
        buttons.append(button);
    }
    scroll = new QScrollArea(this);
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int rowHeight =
        buttons.isEmpty() ? 0 : buttons.first()->sizeHint().height() + listLayout->spacing();
    scroll->setMinimumHeight(rowHeight *
                             std::min<int>(kVisibleButtons, static_cast<int>(buttons.size())));
    scroll->setMinimumWidth(std::max(260, list->sizeHint().width() + 24));
    layout->addWidget(scroll, 1);

    cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(true);
    cancel->installEventFilter(this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(cancel);

    if (!buttons.isEmpty()) buttons.first()->setFocus();
}

SkinChooser* SkinChooser::present(const QStringList& skins, QWidget* parent) {
    auto* chooser = new SkinChooser(skins, parent);
    chooser->open();
    return chooser;
}

bool SkinChooser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Up && key != Qt::Key_Down) return false;
    // Arrows walk the buttons top to bottom, "Cancel" last.
    QList<QPushButton*> order = buttons;
    order.append(cancel);
    const qsizetype at = order.indexOf(qobject_cast<QPushButton*>(watched));
    if (at < 0) return false;
    const qsizetype next =
        std::clamp<qsizetype>(at + (key == Qt::Key_Down ? 1 : -1), 0, order.size() - 1);
    order[next]->setFocus(Qt::TabFocusReason);
    if (next < buttons.size()) scroll->ensureWidgetVisible(order[next]);
    return true;
}
