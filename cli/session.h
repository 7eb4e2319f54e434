// What a check or a wrap works with: the settings from the options and,
// with --words, the word file loaded as the library loads it.
#pragma once
#include <string>

#include "cli/options.h"
#include "dictionary/message_sink.h"
#include "dictionary/patterns.h"
#include "dictionary/word_dictionary.h"
#include "settings/break_settings.h"

struct Session {
  BreakSettings settings;
  TextEncoding encoding;
  bool hasDictionary;
  WordDictionary dictionary;
  PatternLibrary library;
  MessageSink messages;
  DictionaryServices services;  // points into this record: a Session never moves
};

// Settings from the options; false with a message when --counters cannot be
// held as counter characters.
bool SettingsFromOptions(const CliOptions& options, BreakSettings* settings, std::string* error);

// Fills `session` in place. False with a message (the word file cannot be
// read, its name is too long). Dictionary messages go to standard error.
bool OpenSession(const CliOptions& options, Session* session, std::string* error);
void CloseSession(Session* session);

// The dictionary to hand to the check: null without a word file.
WordDictionary* SessionDictionary(Session* session);

// Writes "velmark: " and the CP932 message, in `encoding`, to standard error.
void ShowOnStandardError(TextEncoding encoding, const char* cp932Text);

// False with a message when `path` is not a readable regular file: the
// loader would create a missing file, which a command-line tool must not.
bool CheckReadableFile(const std::string& path, std::string* error);
