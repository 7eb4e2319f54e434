// A message sink that keeps what it is shown, for tests to assert on.
#pragma once
#include <string>
#include <vector>

#include "dictionary/message_sink.h"

struct RecordedMessages {
  std::vector<std::string> texts;
  MessageSink sink{&Record, this};

  static void Record(void* context, const char* cp932Text) {
    static_cast<RecordedMessages*>(context)->texts.emplace_back(cp932Text);
  }
};
