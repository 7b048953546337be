#pragma once
#include <cstdint>
#include <optional>

#include "generate/link_sections.h"
#include "platform/types.h"

namespace pindle {

// What reading one List answer meets, told by the reading itself while it runs (as the
// extraction observer is told), so the plug-in test's account of a page cannot tell another story
// than `pindle links` reads.
class ListReadObserver {
 public:
  virtual ~ListReadObserver() = default;
  // The array was looked for at List.Items `path` (empty: the answer itself); `count` its items,
  // or -1 when what stands there is no array.
  virtual void items(const Text& path, int count) = 0;
  // Item `index` (from 0) as the item paths read it; `kept` false: it has no short link and is
  // left out.
  virtual void item(int index, const ListedLink& link, bool kept) = 0;
  // List.Next: the next page's address read at `path` (empty: none given).
  virtual void cursor(const Text& path, const Text& address) = 0;
  // Page by page: List.PageSize `size` (0: none or unusable), the rows of the pages before and
  // the items of this one, the service's total at List.Total (none when not read) and the verdict.
  virtual void paging(int size, std::int64_t skip, int count, const std::optional<std::int64_t>& total, bool more) = 0;
};

}  // namespace pindle
