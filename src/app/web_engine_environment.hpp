#pragma once
// Chromium's sandbox cannot run as root; WebEngine is then told to run without it. Call
// before the QApplication is made.
namespace quorvine::app {
void prepare_web_engine_environment();
}
