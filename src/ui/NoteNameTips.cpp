#include "ui/NoteNameTips.h"

#include "app/NoteNames.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QToolTip>

NoteNameTips::NoteNameTips(std::initializer_list<QLineEdit*> fields, QObject* parent) : QObject(parent) {
    for (QLineEdit* field : fields)
        field->installEventFilter(this);
}

QString NoteNameTips::tipFor(const QLineEdit& field) {
    const QString names = QString::fromStdString(app::NoteNamesOfText(field.text().toStdString()));
    if (names.isEmpty() || field.toolTip().isEmpty())
        return names.isEmpty() ? field.toolTip() : names;
    return field.toolTip() + QLatin1Char('\n') + names;
}

bool NoteNameTips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        if (auto* field = qobject_cast<QLineEdit*>(watched)) {
            const QString tip = tipFor(*field);
            if (!tip.isEmpty()) {
                QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, field);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
