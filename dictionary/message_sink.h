// Where the dictionary's user-visible errors go: a message box in the
// library, standard error in the command-line tool, a recorder in tests.
#pragma once

struct MessageSink {
  void (*show)(void* context, const char* cp932Text);
  void* context;
};

inline void ShowMessage(const MessageSink* sink, const char* cp932Text) noexcept {
  if (sink && sink->show) sink->show(sink->context, cp932Text);
}
