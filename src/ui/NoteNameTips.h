#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

// Hovering over a melody field shows, below its own tool tip, the names of
// its codes as the command text writes them ("c#1 f#1 a1 p"). The field's
// tool tip itself stays as it is.
class NoteNameTips : public QObject {
    Q_OBJECT

public:
    // Watches `fields`; the object lives as long as its parent.
    NoteNameTips(std::initializer_list<QLineEdit*> fields, QObject* parent);

    // The tip shown for `field`: its own tip, then the names of its codes.
    static QString tipFor(const QLineEdit& field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
