// kzr-mpi batch: rank 0 reads the batch and hands its lines out; every rank prices what it is
// given; rank 0 writes the records in line order as they complete.
//
// Dealing. The batch's plan (batchplan.h) makes units, lines that must run in file order on one
// process, heaviest first; units are gathered into chunks. Rank 0 deals chunks from the front (the
// heaviest) to the workers, two at first so that a worker never waits for its next chunk, then one
// for each chunk it reports. Rank 0 prices too, between its dealings: one chunk at a time from the
// back (the lightest), looking for reports after every line, so that its own work never holds up
// the dealing for long.
#include <mpi.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

#include "batchplan.h"
#include "deathwatch.h"
#include "mpimessages.h"
#include "mpirun.h"
#include "progress.h"

namespace {

constexpr int stop = -1;
constexpr int chunksahead = 2;     // chunks a worker holds: the one it runs and the next
constexpr int chunksperrank = 16;  // the chunk size aims at this many chunks per rank

// Runs one line with its writing recorded, its number kept where a death would name it.
lineoutput runline(runner& tool, const batchentry& entry) {
  setpricingline(entry.number);
  lineoutput record = tool.runbatchline(entry.number, entry.text);
  setpricingline(0);
  return record;
}

// Runs every line of a chunk, in unit order and file order inside a unit.
std::vector<lineoutput> runchunk(runner& tool, const batchplan& plan,
                                 const std::vector<int>& units) {
  std::vector<lineoutput> records;
  for (const int u : units)
    for (const int e : plan.units[u].entries)
      records.push_back(runline(tool, plan.entries[e]));
  return records;
}

void work(runner& tool, const batchplan& plan, const std::vector<std::vector<int>>& chunks) {
  for (;;) {
    const std::int64_t chunk = receivenumber(0, tagchunk);
    if (chunk < 0 || chunk >= static_cast<std::int64_t>(chunks.size())) return;
    std::string bytes;
    for (const lineoutput& record : runchunk(tool, plan, chunks[chunk]))
      appendrecord(bytes, record);
    sendbytes(bytes, 0, tagresult);
  }
}

class dealer {
 public:
  dealer(runner& tool, const batchplan& plan, const std::vector<std::vector<int>>& chunks,
         bool shown)
      : tool(tool),
        plan(plan),
        chunks(chunks),
        back(static_cast<int>(chunks.size())),
        records(plan.entries.size()),
        held(worldsize(), 0),
        progress(shown, static_cast<long>(plan.entries.size())) {
    for (int w = 1; w < worldsize(); ++w)
      for (int k = 0; k < chunksahead; ++k) deal(w);
  }

  int run() {
    while (written < plan.entries.size()) {
      collect();
      if (front < back) {
        const std::vector<int>& units = chunks[--back];
        for (const int u : units) {
          for (const int e : plan.units[u].entries) {
            store(e, runline(tool, plan.entries[e]));
            collect();
          }
        }
      } else if (!collect()) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));  // leave the cores to work
      }
    }
    for (int w = 1; w < worldsize(); ++w)
      if (held[w] >= 0) sendnumber(stop, w, tagchunk);
    return status;
  }

 private:
  // Sends worker w its next chunk, or the stop once it has none left to run.
  void deal(int w) {
    if (front < back) {
      sendnumber(front++, w, tagchunk);
      ++held[w];
    } else if (held[w] == 0) {
      sendnumber(stop, w, tagchunk);
      held[w] = -1;
    }
  }

  // Takes in every report waiting; false when there was none.
  bool collect() {
    bool any = false;
    while (messagewaiting(tagresult)) {
      int from = 0;
      const std::string bytes = receivebytes(-1, tagresult, &from);
      std::vector<lineoutput> got;
      if (!readrecords(bytes, got)) throw std::runtime_error("a malformed report");
      for (lineoutput& record : got) store(indexof(record.number), std::move(record));
      --held[from];
      deal(from);
      any = true;
    }
    return any;
  }

  std::size_t indexof(int number) const {
    const auto at =
        std::lower_bound(plan.entries.begin(), plan.entries.end(), number,
                         [](const batchentry& entry, int n) { return entry.number < n; });
    if (at == plan.entries.end() || at->number != number)
      throw std::runtime_error("a report of a line not in the batch");
    return static_cast<std::size_t>(at - plan.entries.begin());
  }

  // Keeps a record and writes out every record now complete in line order.
  void store(std::size_t e, lineoutput record) {
    records[e] = std::move(record);
    while (written < records.size() && records[written].number != 0) {
      const lineoutput& next = records[written];
      progress.makeroomfor(next);
      writeout(next);
      status = std::max(status, next.status);
      records[written] = lineoutput();  // its memory back; written moves past it
      ++written;
      progress.update(static_cast<long>(written));
    }
    // What is written stays written if a process dies: mpirun then ends every rank at once.
    std::cout.flush();
  }

  runner& tool;
  const batchplan& plan;
  const std::vector<std::vector<int>>& chunks;
  int front = 0;                    // the next chunk to deal to a worker
  int back;                         // chunks from here on are taken (rank 0 takes from the back)
  std::vector<lineoutput> records;  // by entry; number 0 until the line's record arrives
  std::size_t written = 0;
  std::vector<int> held;  // chunks dealt to each worker and not reported; -1 once stopped
  progressline progress;
  int status = exitanswered;
};

}  // namespace

int runmpibatch(runner& tool, const std::vector<std::string>& words) {
  const batcharguments arguments = parsebatcharguments(words);

  // Rank 0 reads the batch and gives every rank its text (or word that it cannot be read).
  std::string text;
  double readable = 1;
  if (worldrank() == 0) {
    if (arguments.file == "-") {
      text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
      std::ifstream file(arguments.file, std::ios::binary);
      if (file)
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
      else
        readable = 0;
    }
  }
  broadcastnumber(readable);
  if (readable == 0) throw usageerror("cannot read " + arguments.file);
  broadcastbytes(text);

  const batchplan plan = planbatch(text);
  double total = 0;
  for (const batchunit& unit : plan.units) total += unit.cost;
  const auto chunks = chunksof(plan, total / (worldsize() * chunksperrank));
  if (worldrank() != 0) {
    work(tool, plan, chunks);
    return exitanswered;
  }
  dealer deals(tool, plan, chunks, progresswanted(arguments.progress));
  return deals.run();
}
