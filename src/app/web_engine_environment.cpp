#include "app/web_engine_environment.hpp"

#include <unistd.h>

#include <QByteArray>
#include <QtGlobal>

namespace quorvine::app {

void prepare_web_engine_environment() {
  if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", QByteArray("1"));
}

}  // namespace quorvine::app
