// The request to focus a window's address field and select its text, posted
// by the focus-address command and answered by the chrome of one window: the
// chrome of the posted model, or, without a model, the chrome of the active
// window. Main thread.
#pragma once

#include <QObject>

class FocusAddressCenter : public QObject {
  Q_OBJECT

public:
  // The one centre of the application.
  static FocusAddressCenter& instance();

  // Posts the request; `object` is the model whose chrome answers, or null.
  void post(QObject* object) { Q_EMIT focusAddress(object); }

Q_SIGNALS:
  void focusAddress(QObject* object);

private:
  FocusAddressCenter() = default;
};
