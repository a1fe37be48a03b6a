#pragma once
// A label that answers a click of the left mouse button, for the credit lines.

#include <QLabel>
#include <QMouseEvent>

namespace vok::converter {

class ClickLabel : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
        QLabel::mouseReleaseEvent(event);
    }
};

}  // namespace vok::converter
