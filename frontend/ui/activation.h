// Activation changes of the companion windows, which remember their place.
#pragma once

#include <QEvent>

// Calls the form's windowActivated or windowDeactivated handler when `event` is a
// change of window activation.
template <class Form>
void DispatchActivationChange(Form* form, QEvent* event) {
  if (event->type() != QEvent::ActivationChange) return;
  if (form->isActiveWindow())
    form->windowActivated();
  else
    form->windowDeactivated();
}
