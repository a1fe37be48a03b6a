#pragma once
// The converter's colours: white text on black for its windows, yellow on blue for the credits,
// and the three status colours of its panels.

#include <QColor>
#include <QWidget>

namespace vok::ui {

inline const QColor kReady{0, 255, 0};    // green: ready
inline const QColor kNothing{255, 0, 0};  // red: nothing that can be saved
inline const QColor kBusy{0, 0, 255};     // blue: reading, converting or writing

void paintWhiteOnBlack(QWidget& widget);
void paintCredits(QWidget& widget);
/// Fills a status panel with one of the status colours.
void paintPanel(QWidget& panel, const QColor& colour);
/// The colour a status panel shows.
QColor panelColour(const QWidget& panel);

}  // namespace vok::ui
