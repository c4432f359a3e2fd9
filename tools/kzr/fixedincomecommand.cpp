#include "fixedincomecommand.h"

#include <algorithm>

#include "commandline.h"
#include "runner.h"

namespace {

std::pair<std::string, std::string> keyvalue(const std::string& option, const std::string& text) {
  const auto equals = text.find('=');
  if (equals == std::string::npos || equals == 0)
    throw usageerror(option + " takes KEY=VALUE, not '" + text + "'");
  return {text.substr(0, equals), text.substr(equals + 1)};
}

std::vector<double> numberlist(const std::string& text) {
  std::vector<double> values;
  if (text.empty()) return values;
  std::size_t start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    values.push_back(parsenumber(text.substr(start, comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return values;
}

std::array<double, 3> isodate(const std::string& key, const std::string& text) {
  const std::vector<std::string> parts = [&] {
    std::vector<std::string> p;
    std::size_t start = 0;
    for (;;) {
      const auto dash = text.find('-', start);
      p.push_back(text.substr(start, dash - start));
      if (dash == std::string::npos) break;
      start = dash + 1;
    }
    return p;
  }();
  const bool digits =
      parts.size() == 3 && std::all_of(parts.begin(), parts.end(), [](auto& p) {
        return !p.empty() && p.size() <= 6 &&
               std::all_of(p.begin(), p.end(), [](char c) { return c >= '0' && c <= '9'; });
      });
  if (!digits) throw usageerror("--date " + key + " takes a date YYYY-MM-DD, not '" + text + "'");
  return {std::stod(parts[0]), std::stod(parts[1]), std::stod(parts[2])};
}

standin::tensor idtable(const std::vector<hostinteger>& ids) {
  return standin::integertensor({static_cast<hostinteger>(ids.size()), 1}, ids);
}

// A real table of rows padded with zeros to at least `columns` values.
standin::tensor paddedtable(const std::vector<std::vector<double>>& rows, std::size_t columns) {
  for (const auto& row : rows) columns = std::max(columns, row.size());
  std::vector<double> values(rows.size() * columns, 0.0);
  for (std::size_t i = 0; i < rows.size(); ++i)
    std::copy(rows[i].begin(), rows[i].end(), values.begin() + i * columns);
  return standin::realtensor(
      {static_cast<hostinteger>(rows.size()), static_cast<hostinteger>(columns)}, values);
}

std::string datetext(double year, double month, double day) {
  return formatnumber(year, "%04.0f") + "-" + formatnumber(month, "%02.0f") + "-" +
         formatnumber(day, "%02.0f");
}

}  // namespace

fixedincomecall parsefixedincomecall(const std::vector<std::string>& words) {
  if (words.size() < 2 || words[1].rfind("--", 0) == 0)
    throw usageerror(
        "fi takes an instrument name (DayCount, YearFraction, CalendarUtilities, "
        "FixedBond, ...)");
  fixedincomecall call;
  call.name = words[1];
  for (std::size_t i = 2; i < words.size(); ++i) {
    const std::string& option = words[i];
    if (option == "--table") {
      call.table = true;
      continue;
    }
    if (i + 1 >= words.size()) throw usageerror(option + " needs a value");
    const std::string& value = words[++i];
    if (option == "--number") {
      const auto kv = keyvalue(option, value);
      call.numbers.push_back({kv.first, parsenumber(kv.second)});
    } else if (option == "--date") {
      const auto kv = keyvalue(option, value);
      call.dates.push_back({kv.first, isodate(kv.first, kv.second)});
    } else if (option == "--text") {
      call.texts.push_back(keyvalue(option, value));
    } else if (option == "--list") {
      const auto kv = keyvalue(option, value);
      call.lists.push_back({kv.first, numberlist(kv.second)});
    } else if (option == "--series8") {
      call.series8.push_back(numberlist(value));
    } else if (option == "--series9") {
      call.series9.push_back(numberlist(value));
    } else if (option == "--table10") {
      call.table10.push_back(numberlist(value));
    } else {
      throw usageerror("unknown option '" + option + "' of fi");
    }
  }
  return call;
}

standin::fixedincomeresult callfixedincome(standin::host& library, const fixedincomecall& call) {
  std::vector<hostinteger> numberids, dateids, textids, listids;
  std::vector<std::vector<double>> numbers, dates, textvalues, lists;
  for (const auto& n : call.numbers) {
    numberids.push_back(library.addtext(n.first));
    numbers.push_back({n.second});
  }
  for (const auto& d : call.dates) {
    dateids.push_back(library.addtext(d.first));
    dates.push_back({d.second[0], d.second[1], d.second[2]});
  }
  for (const auto& t : call.texts) {
    textids.push_back(library.addtext(t.first));
    textvalues.push_back({static_cast<double>(library.addtext(t.second))});
  }
  for (const auto& l : call.lists) {
    listids.push_back(library.addtext(l.first));
    std::vector<double> row{static_cast<double>(l.second.size())};
    row.insert(row.end(), l.second.begin(), l.second.end());
    lists.push_back(row);
  }
  standin::tensor T0 = idtable(numberids), T1 = paddedtable(numbers, 1);
  standin::tensor T2 = idtable(dateids), T3 = paddedtable(dates, 3);
  standin::tensor T4 = idtable(textids), T5 = paddedtable(textvalues, 1);
  standin::tensor T6 = idtable(listids), T7 = paddedtable(lists, 1);
  standin::tensor T8 = paddedtable(call.series8, 5), T9 = paddedtable(call.series9, 5);
  standin::tensor T10 = paddedtable(call.table10, 1);
  return library.fifun(call.name, {&T0, &T1, &T2, &T3, &T4, &T5, &T6, &T7, &T8, &T9, &T10});
}

fixedincomeanswer answerof(const standin::fixedincomeresult& result) {
  fixedincomeanswer answer;
  const hostinteger m = result.columns();
  answer.status = result.at(1, 1);
  answer.scalar = result.at(2, 1);
  // Row 3 is as wide as the dated values; its unwritten tail reads as zeros and is not kept.
  hostinteger shown = m;
  while (shown > 0 && result.at(3, shown) == 0.0) --shown;
  for (hostinteger k = 1; k <= shown; ++k) answer.values.push_back(result.at(3, k));
  for (hostinteger k = 1; k <= m; ++k) {
    if (result.at(4, k) < 1901.0) continue;  // no dated value in this column
    answer.dated.push_back({{result.at(4, k), result.at(5, k), result.at(6, k)}, result.at(7, k)});
  }
  return answer;
}

bool runfixedincome(standin::host& library, const fixedincomecall& call,
                    std::vector<std::string>& lines) {
  const standin::fixedincomeresult result = callfixedincome(library, call);
  if (result.status != hoststatusok || result.dims.size() != 2) return false;

  const hostinteger m = result.columns();
  if (call.table) {
    for (hostinteger row = 1; row <= 7; ++row) {
      std::string line;
      for (hostinteger k = 1; k <= m; ++k)
        line += (k > 1 ? " " : "") + formatnumber(result.at(row, k));
      lines.push_back(line);
    }
    return true;
  }
  const fixedincomeanswer answer = answerof(result);
  lines.push_back("status " + formatnumber(answer.status));
  lines.push_back("scalar " + formatnumber(answer.scalar));
  if (!answer.values.empty()) {
    std::string line = "values";
    for (double value : answer.values) line += " " + formatnumber(value);
    lines.push_back(line);
  }
  for (const auto& dated : answer.dated)
    lines.push_back("dated " + datetext(dated.first[0], dated.first[1], dated.first[2]) + " " +
                    formatnumber(dated.second));
  return true;
}
