// How the running instance answers a later start: its window comes forward
// as far as the desktop lets it, and the later start's two paths, if any,
// land in the fields.
#pragma once

#include "app/InstanceMessage.h"

namespace mvx {

namespace ui {
class TMainForm;
}

class SingleInstance;

void ComeForward(ui::TMainForm &window, const InstanceRequest &request);

// Every request that reaches the instance, answered by the window.
void AnswerLaterStarts(SingleInstance &instance, ui::TMainForm &window);

} // namespace mvx
