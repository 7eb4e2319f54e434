// Helpers for tests of the word store: its invariants, and its entries as text.
#pragma once
#include <string>
#include <vector>

#include "dictionary/file_system.h"
#include "dictionary/word_dictionary.h"
#include "support/fake_file_system.h"
#include "support/recorded_messages.h"

// The first broken invariant of the store, or "" when all hold: pool and
// index describe each other, the index is sorted by key, and the lead-byte
// records and slots are exactly what the words call for.
std::string StoreFault(const WordDictionary& d);

// Entries in index order, and in pool order.
std::vector<std::string> IndexEntries(const WordDictionary& d);
std::vector<std::string> PoolEntries(const WordDictionary& d);

// Whether the lead-byte records are all zero (lookups find nothing).
bool LookupTablesEmpty(const WordDictionary& d);

// A store wired to a fake file system and a message recorder.
struct TestDictionary {
  FakeFileSystem files;
  RecordedMessages messages;
  DictionaryServices services{nullptr, &messages.sink, &files};
  WordDictionary d;

  explicit TestDictionary(const PatternLibrary* patterns = nullptr) {
    services.patterns = patterns;
    InitDictionary(d, &services);
  }
  ~TestDictionary() { DestroyDictionary(d); }
  TestDictionary(const TestDictionary&) = delete;
  TestDictionary& operator=(const TestDictionary&) = delete;
};
