// Generator of realistic mainboard streams.
#include "tools/samples/mixed_stream.h"

#include <random>

namespace {

class StreamWriter {
  public:
    explicit StreamWriter(std::uint32_t seed) : rng_(seed) {}

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    void command(int code) { out.push_back(static_cast<std::uint8_t>(code & 0x7F)); }
    void data(int payload) { out.push_back(static_cast<std::uint8_t>(0x80 | (payload & 0x7F))); }
    void randomData(int count) {
        for (int i = 0; i < count; ++i) {
            data(pick(0, 127));
        }
    }
    // How many data bytes a record of normal length n really carries: now and then one is cut
    // off or one too many follows.
    int lengthAround(int n) {
        if (chance(5)) {
            return pick(0, n > 0 ? n - 1 : 0);
        }
        if (chance(5)) {
            return n + 1;
        }
        return n;
    }

    void record() {
        static const int kQuadrantSubCodes[] = {3, 8, 9, 10, 11, 12, 58, 5};
        static const int kKnownTypes[] = {10, 16, 17, 18, 19, 24, 97, 98, 99};
        switch (pick(0, 9)) {
            case 0:
            case 1:
            case 2:  // switch panels: sub-code and two data bytes
                command(pick(16, 19));
                randomData(lengthAround(3));
                break;
            case 3: {  // trim wheel steps and rudder trim
                command(24);
                const int length = lengthAround(2);
                if (length > 0) {
                    data(chance(80) ? (chance(60) ? 45 : 46) : pick(0, 127));
                    randomData(length - 1);
                }
                break;
            }
            case 4: {  // landing gear
                command(99);
                const int length = lengthAround(2);
                if (length > 0) {
                    data(chance(90) ? 4 : pick(0, 127));
                    randomData(length - 1);
                }
                break;
            }
            case 5:
            case 6: {  // power quadrant levers
                command(98);
                const int subCode = kQuadrantSubCodes[pick(0, 7)];
                const int length = lengthAround(subCode == 58 ? 2 : 3);
                if (length > 0) {
                    data(subCode);
                    randomData(length - 1);
                }
                break;
            }
            case 7: {  // module identity
                command(112);
                const int length = lengthAround(2);
                // Modules repeat their announcement with the same version; now and then one
                // comes back with another (a module swapped on the bench).
                const int type = chance(80) ? kKnownTypes[pick(0, 8)] : pick(0, 127);
                if (length > 0) {
                    data(type);
                }
                if (length > 1) {
                    data(chance(95) ? type % 4 + 1 : pick(0, 9));
                    randomData(length - 2);
                }
                break;
            }
            case 8:  // mainboard number halves
                command(chance(50) ? 115 : 116);
                randomData(lengthAround(1));
                break;
            default: {  // mainboard identification
                command(120);
                const int length = lengthAround(5);
                for (int i = 0; i < length; ++i) {
                    // Mostly digits and letters, now and then a zero character part.
                    data(i == 1 || i == 4 ? (chance(30) ? 0 : pick(65, 90)) : pick(0, 127));
                }
                break;
            }
        }
    }

    std::vector<std::uint8_t> out;

  private:
    std::mt19937 rng_;
};

}  // namespace

std::vector<std::uint8_t> mixedPanelStream(std::uint32_t seed, std::size_t minimumBytes,
                                           int noisePercent) {
    StreamWriter writer(seed);
    writer.out.reserve(minimumBytes + 16);
    while (writer.out.size() < minimumBytes) {
        if (noisePercent > 0 && writer.chance(noisePercent)) {
            writer.out.push_back(static_cast<std::uint8_t>(writer.pick(0, 255)));
        } else {
            writer.record();
        }
    }
    return writer.out;
}
