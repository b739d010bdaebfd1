// The gauge table and the seven shared routines as the host reaches them.
#include <gtest/gtest.h>

#include <string>

#include "hostmodel/host_model.h"
#include "tests/module/gauge_table.h"
#include "tests/support/host_test.h"

namespace {

using Linkage = host_test::HostTest;

TEST_F(Linkage, ListsTheSixteenGaugesInOrderUpToItsTerminator) {
    const host::LinkageRecord& linkage = host.linkage();
    int count                          = 0;
    while (linkage.gauges[count] != nullptr) {
        ASSERT_LT(count, 16) << "the list runs past sixteen gauges";
        EXPECT_EQ(std::string(linkage.gauges[count]->name), expected::gauges[count].name);
        ++count;
    }
    EXPECT_EQ(count, 16);
}

TEST_F(Linkage, TheHostHasStoredItsServiceTable) {
    const host::ImportTableRecord& imports = host.import_table();
    EXPECT_EQ(imports.panels.id, 0xFu);
    EXPECT_NE(host_test::field(imports.panels.table), nullptr);
    EXPECT_EQ(imports.terminator.id, 0u);
}

// Whatever header the host calls them through, the seven routines hand the
// sound link's root element to their element-list operation.
TEST_F(Linkage, SharedRoutinesActOnTheFirstGaugesRootThroughEveryHeader) {
    host::ElementHeader* const first_root = host.element("MERTQ4ComLnk", 0);
    for (const expected::Gauge& gauge : expected::gauges) {
        SCOPED_TRACE(gauge.name);
        host::GaugeHeader* header = host.gauge(gauge.name);
        host.clear_element_operations();
        header->query();
        header->install(7);
        header->initialize();
        header->update();
        header->generate(9);
        header->draw();
        header->kill();
        const auto& calls = host.element_operations();
        ASSERT_EQ(calls.size(), 7u);
        const int slots[]       = {24, 25, 26, 27, 28, 29, 31};
        const uint32_t values[] = {0, 7, 0, 0, 9, 0, 0};
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(calls[i].slot, slots[i]);
            EXPECT_EQ(calls[i].root, first_root);
            if (values[i] != 0) {
                EXPECT_EQ(calls[i].value, values[i]);
            }
        }
    }
}

TEST_F(Linkage, EveryGaugePlacesAndDrawsItsRootBitmap) {
    for (const expected::Gauge& gauge : expected::gauges) host.place(gauge.name);
    host.frame();
    for (const expected::Gauge& gauge : expected::gauges) {
        SCOPED_TRACE(gauge.name);
        const auto& drawn = host.drawn(gauge.name);
        ASSERT_FALSE(drawn.empty());
        EXPECT_EQ(drawn[0].index, 0);
        EXPECT_EQ(drawn[0].bitmap_id, gauge.root_bitmap);
        EXPECT_EQ(drawn[0].width, gauge.root_width);
        EXPECT_EQ(drawn[0].height, gauge.root_height);
    }
    EXPECT_EQ(host.placed().size(), expected::gauges.size());
}

}  // namespace
