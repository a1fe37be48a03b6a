#include "ui/look.h"

#include <QPalette>

namespace vok::ui {

namespace {
void paint(QWidget& widget, const QColor& text, const QColor& background) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}
}  // namespace

void paintWhiteOnBlack(QWidget& widget) { paint(widget, Qt::white, Qt::black); }

void paintCredits(QWidget& widget) { paint(widget, Qt::yellow, Qt::blue); }

void paintPanel(QWidget& panel, const QColor& colour) {
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, colour);
    panel.setPalette(palette);
    panel.setAutoFillBackground(true);
}

QColor panelColour(const QWidget& panel) { return panel.palette().color(QPalette::Window); }

}  // namespace vok::ui
