// Drawing the user's attention to a window of the program without taking the
// focus from the program the user is in: the task bar or dock marks it.
#pragma once

class QByteArray;
class QWidget;

namespace mvx::ui {

// Qt's Wayland platform hands the compositor this token with a window's next
// activation, and then forgets it.
void NextActivationWith(const QByteArray &token);

// Marks the window as wanting attention, unless it is the active one.
void AskForAttention(QWidget &window);

} // namespace mvx::ui
