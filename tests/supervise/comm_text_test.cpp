#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "supervise/comm_text.h"

namespace {

struct Comm {
    std::unique_ptr<CommBuffer> buf{new CommBuffer};
    Comm() { resetComm(buf.get()); }

    // Feeds bytes as the file would deliver them, read by read, and returns
    // the records seen, each as type and text.
    std::vector<std::string> feed(const std::string& bytes) {
        std::vector<std::string> seen;
        size_t at = 0;
        do {
            size_t room;
            char* to = commReadPosition(buf.get(), &room);
            size_t n = std::min(room, bytes.size() - at);
            memcpy(to, bytes.data() + at, n);
            commAppended(buf.get(), n);
            at += n;
            char type;
            const char* text;
            while (nextCommRecord(buf.get(), &type, &text)) seen.push_back(std::string(1, type) + text);
            if (room == 0) break;
        } while (at < bytes.size());
        return seen;
    }
};

}  // namespace

TEST(CommRecords, CompleteRecordsInFileOrder) {
    Comm c;
    EXPECT_EQ((std::vector<std::string>{"Mloading", "M", "X1", std::string(1, '\0'), "Q", "Mlater"}),
              c.feed("Mloading|M|X1||Q|Mlater|"));
}

TEST(CommRecords, ARecordSplitAcrossReadsIsParsedOnceComplete) {
    Comm c;
    EXPECT_TRUE(c.feed("Mhal").empty());
    EXPECT_EQ((std::vector<std::string>{"Mhalf"}), c.feed("f|M"));
    EXPECT_EQ((std::vector<std::string>{"Mline\nfeed"}), c.feed("line\nfeed|"));
}

TEST(CommRecords, AZeroByteStopsAllLaterRecords) {
    Comm c;
    EXPECT_EQ((std::vector<std::string>{"Ma"}), c.feed(std::string("Ma|Mb\0|Q|", 10)));
    EXPECT_TRUE(c.feed("Mc|Q|").empty());
    // Once the buffer is full behind the zero byte, reading stops for good.
    std::string lots(COMM_CAP * 2, 'M');
    EXPECT_TRUE(c.feed(lots).empty());
    size_t room = 1;
    commReadPosition(c.buf.get(), &room);
    EXPECT_EQ(0u, room);
}

TEST(CommRecords, AnApplicationMayWriteFarMoreThanTheBufferHolds) {
    Comm c;
    std::string status;
    for (int i = 0; i < 20000; ++i) status += "Mstep " + std::to_string(i) + "|";
    std::vector<std::string> seen = c.feed(status);
    ASSERT_EQ(20000u, seen.size());
    EXPECT_EQ("Mstep 19999", seen.back());
    EXPECT_EQ((std::vector<std::string>{"Q"}), c.feed("Q|"));
}

TEST(CommRecords, ARecordLargerThanTheBufferIsDroppedAndLaterOnesStillCount) {
    Comm c;
    std::string huge = "M" + std::string(COMM_CAP + 100, 'x') + "|";
    EXPECT_TRUE(c.feed("Mfirst|" + huge).size() == 1);
    EXPECT_EQ((std::vector<std::string>{"Mafter", "Q"}), c.feed("Mafter|Q|"));
}
