// What recording costs a batch: HistoryRecorder against a bare SQLite loop that inserts the same
// rows in one transaction (the floor) and one transaction per row (what a naive writer pays).
// Target: from 10,000 rows on within 3x of the floor; a batch's fixed cost (opening the file,
// the schema) under 25 ms; flat per row as batches grow. A transaction per row is the 50x to avoid.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "history/history_recorder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double BareLoop(const std::string& file, int rows, bool oneTransaction) {
  std::filesystem::remove(file);
  const auto start = Clock::now();  // opening and the schema count, as they do for the recorder
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_exec(db,
               "PRAGMA journal_mode=WAL; CREATE TABLE history(id INTEGER PRIMARY KEY, at INTEGER, plugin TEXT,"
               " long_url TEXT, result TEXT, failure TEXT)",
               nullptr, nullptr, nullptr);
  if (oneTransaction) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO history(at, plugin, long_url, result, failure) VALUES (?1, ?2, ?3, ?4, '')", -1,
                     &insert, nullptr);
  for (int i = 0; i < rows; ++i) {
    const std::string url = "https://www.example.com/article/" + std::to_string(i) + "?utm_source=bench";
    const std::string link = "https://is.gd/" + std::to_string(i);
    sqlite3_reset(insert);
    sqlite3_bind_int64(insert, 1, 1700000000 + i);
    sqlite3_bind_text(insert, 2, "Is.gd", -1, SQLITE_STATIC);
    sqlite3_bind_text(insert, 3, url.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 4, link.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
  }
  sqlite3_finalize(insert);
  if (oneTransaction) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return Seconds(start);
}

double Recorder(const std::string& file, int rows) {
  std::filesystem::remove(file);
  const auto start = Clock::now();
  {
    pindle::HistoryRecorder recorder(pindle::HistoryStore(file), true);
    for (int i = 0; i < rows; ++i)
      recorder.record({"Is.gd", "https://www.example.com/article/" + std::to_string(i) + "?utm_source=bench",
                       "https://is.gd/" + std::to_string(i), ""});
  }
  return Seconds(start);
}

// How long the end of a batch waits for the recorder: passes come at a fast batch's pace (20,000
// a second) into a history of `kept` rows; then the recorder is destroyed, as the batch ends.
double EndOfBatchWait(const std::string& file, int kept) {
  std::filesystem::remove(file);
  {
    pindle::HistoryRecorder filler(pindle::HistoryStore(file), true);
    for (int i = 0; i < kept; ++i)
      filler.record(
          {"Is.gd", "https://www.example.com/old/" + std::to_string(i), "https://is.gd/o" + std::to_string(i), ""});
  }
  auto recorder = std::make_unique<pindle::HistoryRecorder>(pindle::HistoryStore(file), true);
  for (int i = 0; i < 10000; ++i) {
    recorder->record(
        {"Is.gd", "https://www.example.com/article/" + std::to_string(i), "https://is.gd/" + std::to_string(i), ""});
    if (i % 100 == 99) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const auto start = Clock::now();
  recorder.reset();
  return Seconds(start);
}

}  // namespace

int main() {
  const std::string dir = std::filesystem::temp_directory_path() / "pindle-history-bench";
  std::filesystem::create_directories(dir);
  const std::string file = dir + "/history.sqlite";
  std::printf("%8s %14s %14s %16s %10s\n", "rows", "recorder us/row", "floor us/row", "per-row txn us", "ratio");
  for (const int rows : {1000, 10000, 100000}) {
    const double recorder = Recorder(file, rows) * 1e6 / rows;
    const double floor = BareLoop(file, rows, true) * 1e6 / rows;
    const int naiveRows = rows > 10000 ? 10000 : rows;  // slow by nature; a sample is enough
    const double naive = BareLoop(file, naiveRows, false) * 1e6 / naiveRows;
    std::printf("%8d %14.2f %14.2f %16.2f %9.2fx\n", rows, recorder, floor, naive, recorder / floor);
  }
  std::printf("target: ratio under 3x from 10000 rows, 1000 rows under 25 us a row (25 ms fixed), flat per row\n");
  for (const int kept : {0, 100000})
    std::printf("end of a 10000-pass batch at 20000 passes/s, %6d rows kept: waits %5.1f ms (target <= 10 ms)\n", kept,
                EndOfBatchWait(file, kept) * 1e3);
  std::filesystem::remove_all(dir);
  return 0;
}
