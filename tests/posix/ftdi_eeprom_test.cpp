// The adapter's description from raw EEPROM bytes: programmed EEPROMs of both sizes, blank
// ones, and EEPROMs whose string descriptor is broken in the ways an untrusted adapter can break
// it. Every EEPROM is a heap buffer of exactly its size, so a read past it shows under ASan.
#include "link/posix/ftdi_eeprom.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "link/posix/ftdi_libftdi.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// An EEPROM laid out as FTDI's programming tools leave it: vendor and product ids, the
// manufacturer string at 0x18, the product string at productAt. On a 128-byte part the string
// addresses carry bit 7.
struct Layout {
    std::size_t size = 128;
    std::size_t productAt = 0x22;
    std::u16string product = u"ORVAN ZR8 USB";
    int layoutLength = -1;  // byte 0x11; -1: the descriptor's true length
    int ownLength = -1;     // the descriptor's first byte; -1: its true length
    std::uint8_t type = 0x03;
    std::uint8_t fill = 0x00;  // the bytes nobody wrote
};

Bytes build(const Layout& layout) {
    Bytes eeprom(layout.size, layout.fill);
    auto put = [&eeprom](std::size_t at, std::uint8_t value) {
        if (at < eeprom.size()) {
            eeprom[at] = value;
        }
    };
    const std::uint8_t flag = layout.size == 128 ? 0x80 : 0x00;
    put(0x02, 0x03);  // vendor 0x0403
    put(0x03, 0x04);
    put(0x04, 0x01);  // product 0x6001
    put(0x05, 0x60);
    const std::u16string maker = u"FTDI";
    put(0x0E, static_cast<std::uint8_t>(0x18 | flag));
    put(0x0F, static_cast<std::uint8_t>(2 + 2 * maker.size()));
    put(0x18, static_cast<std::uint8_t>(2 + 2 * maker.size()));
    put(0x19, 0x03);
    for (std::size_t i = 0; i < maker.size(); ++i) {
        put(0x1A + 2 * i, static_cast<std::uint8_t>(maker[i]));
        put(0x1B + 2 * i, 0);
    }

    const auto trueLength = static_cast<int>(2 + 2 * layout.product.size());
    put(0x10, static_cast<std::uint8_t>(layout.productAt | flag));
    put(0x11,
        static_cast<std::uint8_t>(layout.layoutLength >= 0 ? layout.layoutLength : trueLength));
    put(layout.productAt,
        static_cast<std::uint8_t>(layout.ownLength >= 0 ? layout.ownLength : trueLength));
    put(layout.productAt + 1, layout.type);
    for (std::size_t i = 0; i < layout.product.size(); ++i) {
        put(layout.productAt + 2 + 2 * i, static_cast<std::uint8_t>(layout.product[i] & 0xFF));
        put(layout.productAt + 3 + 2 * i, static_cast<std::uint8_t>(layout.product[i] >> 8));
    }
    return eeprom;
}

Layout with(void (*change)(Layout&)) {
    Layout layout;
    change(layout);
    return layout;
}

struct EepromCase {
    const char* name;
    Bytes eeprom;
    FtdiStatus status;
    std::string description;  // when kFtdiOk
};

void PrintTo(const EepromCase& tested, std::ostream* out) {
    *out << tested.name;
}

class EepromDescription : public ::testing::TestWithParam<EepromCase> {};

TEST_P(EepromDescription, IsReadWithinTheBytesOrTheEepromCountsAsNotProgrammed) {
    const EepromCase& tested = GetParam();
    // Exactly the EEPROM's bytes on the heap: one byte more read shows.
    std::vector<std::uint8_t> heap(tested.eeprom);
    char description[kFtdiDescriptionSize];
    std::memset(description, 'X', sizeof description);

    EXPECT_EQ(descriptionFromEeprom(heap.data(), heap.size(), description), tested.status);

    const std::string text(description, strnlen(description, sizeof description));
    EXPECT_EQ(text, tested.status == kFtdiOk ? tested.description : "");
    for (std::size_t i = text.size(); i < sizeof description; ++i) {
        EXPECT_EQ(description[i], '\0') << "left over at " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Eeproms, EepromDescription,
    ::testing::Values(
        EepromCase{"programmed_128_bytes_address_with_bit_7", build(Layout{}), kFtdiOk,
                   "ORVAN ZR8 USB"},
        EepromCase{"programmed_256_bytes_string_beyond_0x80", build(with([](Layout& l) {
                       l.size = 256;
                       l.productAt = 0xA0;
                       l.fill = 0xFF;
                   })),
                   kFtdiOk, "ORVAN ZR8 USB"},
        EepromCase{"blank_erased_128", Bytes(128, 0xFF), kFtdiEepromNotProgrammed, ""},
        EepromCase{"blank_erased_256", Bytes(256, 0xFF), kFtdiEepromNotProgrammed, ""},
        EepromCase{"blank_all_zero", Bytes(128, 0x00), kFtdiEepromNotProgrammed, ""},
        EepromCase{"programmed_without_product_string",
                   build(with([](Layout& l) { l.layoutLength = 0; })), kFtdiOk, ""},
        EepromCase{"empty_product_string", build(with([](Layout& l) { l.product = u""; })), kFtdiOk,
                   ""},
        EepromCase{"descriptor_runs_past_the_end_is_cut_there", build(with([](Layout& l) {
                       l.productAt = 0x78;
                       l.product = u"ABCDEFGHIJKL";
                   })),
                   kFtdiOk, "ABC"},
        EepromCase{"descriptor_header_half_outside",
                   build(with([](Layout& l) { l.productAt = 0x7F; })), kFtdiEepromNotProgrammed,
                   ""},
        EepromCase{"not_a_string_descriptor", build(with([](Layout& l) { l.type = 0x02; })),
                   kFtdiEepromNotProgrammed, ""},
        EepromCase{"string_area_erased", build(with([](Layout& l) {
                       l.fill = 0xFF;
                       l.productAt = 0x40;
                       l.ownLength = 0xFF;
                       l.type = 0xFF;
                   })),
                   kFtdiEepromNotProgrammed, ""},
        EepromCase{"odd_length_drops_the_half_character", build(with([](Layout& l) {
                       l.product = u"ABC";
                       l.layoutLength = 9;
                       l.ownLength = 9;
                   })),
                   kFtdiOk, "ABC"},
        EepromCase{"length_too_short_for_a_header",
                   build(with([](Layout& l) { l.layoutLength = 1; })), kFtdiEepromNotProgrammed,
                   ""},
        EepromCase{"descriptor_shorter_than_layout_says", build(with([](Layout& l) {
                       l.product = u"HELLO";
                       l.ownLength = 6;
                   })),
                   kFtdiOk, "HE"},
        EepromCase{"layout_shorter_than_descriptor_says", build(with([](Layout& l) {
                       l.product = u"HELLO";
                       l.layoutLength = 8;
                   })),
                   kFtdiOk, "HEL"},
        EepromCase{"a_nul_character_ends_the_text",
                   build(with([](Layout& l) { l.product = std::u16string(u"AB\0CD", 5); })),
                   kFtdiOk, "AB"},
        EepromCase{"characters_outside_printable_ascii_become_question_marks",
                   build(with([](Layout& l) { l.product = u"A\u00e9\u263a\u0007\u007fZ"; })),
                   kFtdiOk, "A????Z"},
        EepromCase{"too_small_to_hold_the_layout", Bytes(0x11, 0x12), kFtdiEepromNotProgrammed,
                   ""}),
    [](const ::testing::TestParamInfo<EepromCase>& tested) {
        return std::string(tested.param.name);
    });

TEST(EepromDescriptionText, IsCutToTheSixtyFourBytesOfTheBufferWithoutANul) {
    Layout layout;
    layout.size = 256;
    layout.productAt = 0x30;
    layout.product.clear();
    for (int i = 0; i < 70; ++i) {
        layout.product.push_back(static_cast<char16_t>('a' + i % 26));
    }
    const Bytes eeprom = build(layout);
    char description[kFtdiDescriptionSize];

    ASSERT_EQ(descriptionFromEeprom(eeprom.data(), eeprom.size(), description), kFtdiOk);
    std::string expected;
    for (int i = 0; i < kFtdiDescriptionSize; ++i) {
        expected.push_back(static_cast<char>('a' + i % 26));
    }
    EXPECT_EQ(std::string(description, sizeof description), expected);
}

TEST(EepromDescriptionText, NoEepromAtAllIsNotProgrammed) {
    char description[kFtdiDescriptionSize];
    EXPECT_EQ(descriptionFromEeprom(nullptr, 128, description), kFtdiEepromNotProgrammed);
}

// Without an adapter at hand the libftdi service can only show that it refuses what is not
// there: indices beyond the adapters found, and handles it never gave out.
TEST(LibftdiServiceWithoutAdapter, RefusesMissingIndicesAndForeignHandles) {
    LibftdiService service;
    int notAnAdapter = 0;
    const auto foreign = reinterpret_cast<FtdiHandle>(&notAnAdapter);

    std::uint32_t count = 0;
    if (service.countDevices(count) == kFtdiOk) {
        FtdiHandle handle = foreign;
        EXPECT_NE(service.openByIndex(static_cast<std::int32_t>(count), handle), kFtdiOk);
        EXPECT_EQ(handle, foreign) << "a failed open leaves the handle as it was";
    }
    FtdiHandle handle = foreign;
    EXPECT_NE(service.openByIndex(-1, handle), kFtdiOk);
    EXPECT_EQ(handle, foreign);

    for (const FtdiHandle bad : {foreign, FtdiHandle{nullptr}}) {
        char description[kFtdiDescriptionSize];
        std::uint32_t value = 7;
        std::uint8_t bytes[4] = {};
        EXPECT_EQ(service.readDescription(bad, description), kFtdiInvalidHandle);
        EXPECT_EQ(service.setBaudRate(bad, 38400), kFtdiInvalidHandle);
        EXPECT_EQ(service.setDataCharacteristics(bad, 8, 0, 0), kFtdiInvalidHandle);
        EXPECT_EQ(service.setFlowControl(bad, 0, 0, 0), kFtdiInvalidHandle);
        EXPECT_EQ(service.purge(bad, kFtdiPurgeReceive | kFtdiPurgeTransmit), kFtdiInvalidHandle);
        EXPECT_EQ(service.queueStatus(bad, value), kFtdiInvalidHandle);
        EXPECT_EQ(service.read(bad, bytes, sizeof bytes, value), kFtdiInvalidHandle);
        EXPECT_EQ(service.write(bad, bytes, sizeof bytes, value), kFtdiInvalidHandle);
        EXPECT_EQ(service.setLatencyTimer(bad, 1), kFtdiInvalidHandle);
        EXPECT_EQ(service.latencyTimerMs(bad), -1);
        EXPECT_EQ(service.close(bad), kFtdiInvalidHandle);
        EXPECT_EQ(value, 7u) << "outputs of refused calls stay as they were";
    }
    EXPECT_EQ(notAnAdapter, 0);
}

// The bytes read from a smaller EEPROM repeat: the size is where they start again.
TEST(EepromSize, IsWhereTheReadWrapsAroundOrTheChipsOwn) {
    struct Case {
        std::size_t period;  // the bytes repeat at this distance; 0: they never do
        std::uint16_t release;
        std::size_t size;
    };
    const Case cases[] = {{64, 0x0400, 64},
                          {128, 0x0400, 128},
                          {0, 0x0400, 256},
                          {0, 0x0600, 128},
                          {64, 0x0600, 128}};
    for (const Case& c : cases) {
        std::uint8_t eeprom[kEepromReadSize];
        for (std::size_t i = 0; i < sizeof eeprom; ++i) {
            eeprom[i] = static_cast<std::uint8_t>(c.period != 0 ? (i % c.period) * 3 + 1 : i);
        }
        EXPECT_EQ(eepromSizeFromContents(eeprom, c.release), c.size)
            << "period " << c.period << ", release " << c.release;
    }
}

}  // namespace
