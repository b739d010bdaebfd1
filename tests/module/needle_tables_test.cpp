// Every needle the host turns by a table, found by walking each gauge of
// Linkage through the host model: the table must draw a dial, its points on
// one arc around the needle's position and its directions turning one way as
// the values rise. A transposed or mistyped row breaks one or the other.
// Tables that describe their dial another way are listed with the reason and
// checked for what does hold for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "host/panel_interface.h"
#include "hostmodel/host_model.h"
#include "hostmodel/needle_geometry.h"
#include "resources/bitmap_ids.h"
#include "tests/support/host_test.h"

namespace {

using hostmodel::needle::direction;
using hostmodel::needle::wrap;

// Each point's distance from the pivot may differ from the table's median
// distance by this fraction of it: the artwork's marks are hand-placed.
constexpr double radius_tolerance = 0.10;

// Tables that go round more than the shorter arc between rows can tell, by
// the needle's bitmap: why, and the clockwise turn from the first row to the
// last, which must lie in [least_turn_deg, 360).
struct FullTurnTable {
    int32_t bitmap_id;
    const char* reason;
    double least_turn_deg;
};
const FullTurnTable full_turn_tables[] = {
    {.bitmap_id      = bitmap::tach_units_pointer,
     .reason         = "the units pointer goes once round per 10 %: its rows at 0 and 9.99 nearly "
                       "coincide, and 0 to 5 is half a turn, which has no shorter way round",
     .least_turn_deg = 350},
};

struct Row {
    double value;
    host::PixelPoint point;
};

struct Table {
    std::string where;  // gauge, element number and bitmap, for messages
    int32_t bitmap_id;
    host::PixelPoint pivot;
    std::vector<Row> rows;  // by rising value
};

class NeedleTables : public host_test::HostTest {
  protected:
    // Every gauge placed and drawn once, so that any table a gauge fills at
    // installation is filled; then every needle with a table, gauge by gauge
    // down each chain.
    std::vector<Table> tables() {
        std::vector<std::string> names;
        for (host::GaugeHeader* const* g = host.linkage().gauges; *g != nullptr; ++g) {
            names.emplace_back(host_test::field((*g)->name));
            host.place((*g)->name);
        }
        host.frame();
        std::vector<Table> found;
        for (const std::string& name : names) {
            for (int n = 0;; ++n) {
                const host::ElementHeader* element = host.element(name, n);
                const auto* needle                 = element->type == host::element_type::needle
                                                         ? reinterpret_cast<const host::Needle*>(element)
                                                         : nullptr;
                if (needle != nullptr && needle->row_count > 0) {
                    std::ostringstream where;
                    where << name << " element " << n << " (bitmap 0x" << std::hex
                          << element->bitmap_id << ")";
                    Table table{.where     = where.str(),
                                .bitmap_id = element->bitmap_id,
                                .pivot     = element->position,
                                .rows      = {}};
                    for (uint32_t i = 0; i < needle->row_count; ++i) {
                        table.rows.push_back({needle->table[i].value, needle->table[i].point});
                    }
                    std::stable_sort(table.rows.begin(), table.rows.end(),
                                     [](const Row& a, const Row& b) { return a.value < b.value; });
                    found.push_back(std::move(table));
                }
                if (element->next == nullptr || element->next[0] == nullptr) break;
            }
        }
        return found;
    }
};

double radius(host::PixelPoint pivot, host::PixelPoint point) {
    return std::hypot(point.x - pivot.x, point.y - pivot.y);
}

// The turn from row i to row i + 1 along the shorter arc, degrees clockwise.
double turn(const Table& table, std::size_t i) {
    return wrap(direction(table.pivot, table.rows[i + 1].point) -
                direction(table.pivot, table.rows[i].point));
}

const FullTurnTable* full_turn_table(int32_t bitmap_id) {
    for (const FullTurnTable& t : full_turn_tables) {
        if (t.bitmap_id == bitmap_id) return &t;
    }
    return nullptr;
}

TEST_F(NeedleTables, EveryPointLiesOnOneArcAroundThePivot) {
    const std::vector<Table> found = tables();
    ASSERT_FALSE(found.empty()) << "no needle with a table was found";
    for (const Table& table : found) {
        SCOPED_TRACE(table.where);
        std::vector<double> radii;
        for (const Row& row : table.rows) radii.push_back(radius(table.pivot, row.point));
        std::vector<double> sorted = radii;
        std::sort(sorted.begin(), sorted.end());
        const double median = sorted[sorted.size() / 2];
        ASSERT_GT(median, 0) << "the points are not around the pivot";
        for (std::size_t i = 0; i < table.rows.size(); ++i) {
            const Row& row = table.rows[i];
            EXPECT_LE(std::fabs(radii[i] - median), radius_tolerance * median)
                << "the row for " << row.value << " at (" << row.point.x << ", " << row.point.y
                << ") is " << radii[i] << " px from the pivot (" << table.pivot.x << ", "
                << table.pivot.y << "), the table's median is " << median << " px";
        }
    }
}

TEST_F(NeedleTables, DirectionsTurnOneWayAsTheValuesRise) {
    for (const Table& table : tables()) {
        if (full_turn_table(table.bitmap_id) != nullptr) continue;
        SCOPED_TRACE(table.where);
        double first_way = 0;  // the sign of the first turn that is not zero
        for (std::size_t i = 0; i + 1 < table.rows.size(); ++i) {
            const double t = turn(table, i);
            if (t == 0) continue;  // a mark the needle holds on over a range of values
            if (first_way == 0) first_way = t;
            EXPECT_GT(t * first_way, 0)
                << "from " << table.rows[i].value << " to " << table.rows[i + 1].value
                << " the needle turns " << t << " deg, against the table's first turn of "
                << first_way << " deg";
        }
        EXPECT_NE(first_way, 0) << "the needle never turns";
    }
}

TEST_F(NeedleTables, FullTurnTablesEndJustShortOfOneTurnClockwise) {
    int checked = 0;
    for (const Table& table : tables()) {
        const FullTurnTable* full_turn = full_turn_table(table.bitmap_id);
        if (full_turn == nullptr) continue;
        SCOPED_TRACE(table.where + ": " + full_turn->reason);
        ++checked;
        double clockwise_deg = 0;
        for (std::size_t i = 0; i + 1 < table.rows.size(); ++i) {
            const double t = turn(table, i);
            clockwise_deg += t >= 0 ? t : t + 360;
        }
        EXPECT_GE(clockwise_deg, full_turn->least_turn_deg);
        EXPECT_LT(clockwise_deg, 360) << "the last row passes the first";
    }
    EXPECT_GT(checked, 0) << "a listed full-turn table is on no needle";
}

}  // namespace
