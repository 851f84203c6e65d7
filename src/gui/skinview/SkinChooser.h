#pragma once

#include <QDialog>
#include <QStringList>

class QPushButton;
class QScrollArea;

// Asks which skin to show: one button per skin, in the order given, then "Cancel". It is
// window-modal over its parent and opened without a nested event loop, so readings keep coming.
class SkinChooser : public QDialog {
    Q_OBJECT
public:
    SkinChooser(const QStringList& skins, QWidget* parent);

    // Opens the chooser over parent; it deletes itself when closed.
    static SkinChooser* present(const QStringList& skins, QWidget* parent);

    QList<QPushButton*> skinButtons() const { return buttons; }
    QPushButton* cancelButton() const { return cancel; }

signals:
    void skinChosen(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QPushButton*> buttons;
    QPushButton* cancel = nullptr;
    QScrollArea* scroll = nullptr;
};
