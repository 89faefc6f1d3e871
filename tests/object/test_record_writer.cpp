#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "object/record_writer.h"

namespace kz::object {
namespace {

// Keeps every append separately and can be told to fail.
class RecordingSink final : public ByteSink {
 public:
  WriteStatus append(std::span<const std::uint8_t> bytes) override {
    if (failAppend) return WriteStatus::writeFailed;
    appends.push_back(bytes.size());
    memory.append(bytes);
    return WriteStatus::ok;
  }
  WriteStatus overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    ++overwrites;
    if (failOverwrite) return WriteStatus::seekFailed;
    return memory.overwrite(offset, bytes);
  }

  std::vector<std::size_t> appends;
  int overwrites = 0;
  bool failAppend = false;
  bool failOverwrite = false;
  MemorySink memory;
};

// A comment record of exactly size bytes (at least 10): EA, level 0, then a name whose
// length form (1, 2 or 3 bytes) is chosen to make up the size.
Record commentOfSize(std::size_t size) {
  std::size_t length = size - 3;
  if (length > kMaxShortName) length = size - 4;
  if (length > 0xFF) length = size - 5;
  Record record = recordOf(RecordCode::comment);
  record.number(0).name(std::string(length, 'c'));
  EXPECT_EQ(record.size(), size);
  return record;
}

WriteStatus writeRecordOfSize(RecordWriter& writer, std::size_t size) {
  writer.begin(RecordCode::comment).raw(commentOfSize(size).bytes().subspan(1));
  EXPECT_EQ(writer.record().size(), size);
  return writer.end();
}

TEST(RecordWriter, NeverSplitsARecordAcrossTheBufferBoundary) {
  RecordingSink sink;
  RecordWriter writer(&sink);
  std::set<std::uint64_t> recordStarts{0};
  for (std::size_t size : {200u, 8000u, 190u, 255u, 5000u, 3191u}) {
    ASSERT_EQ(writeRecordOfSize(writer, size), WriteStatus::ok);
    recordStarts.insert(writer.offset());
  }
  ASSERT_EQ(writer.flush(), WriteStatus::ok);
  std::uint64_t flushedUpTo = 0;
  for (std::size_t size : sink.appends) {
    EXPECT_LE(size, RecordWriter::kBufferSize);
    flushedUpTo += size;
    EXPECT_TRUE(recordStarts.count(flushedUpTo))
        << "a flush ends inside a record at " << flushedUpTo;
  }
  EXPECT_EQ(flushedUpTo, writer.offset());
  // 200 + 8000 does not fit; 8000 + 190 does; 255 does not; 255 + 5000 + 3191 does not.
  EXPECT_EQ(sink.appends, (std::vector<std::size_t>{200, 8190, 5255, 3191}));
}

TEST(RecordWriter, RecordThatFillsTheBufferExactlyStaysBuffered) {
  RecordingSink sink;
  RecordWriter writer(&sink);
  ASSERT_EQ(writeRecordOfSize(writer, 192), WriteStatus::ok);
  ASSERT_EQ(writeRecordOfSize(writer, 8000), WriteStatus::ok);
  EXPECT_TRUE(sink.appends.empty());
  EXPECT_EQ(writer.offset(), 8192u);
}

TEST(RecordWriter, RecordLargerThanTheBufferIsWrittenWhole) {
  RecordingSink sink;
  RecordWriter writer(&sink);
  ASSERT_EQ(writeRecordOfSize(writer, 100), WriteStatus::ok);
  writer.begin(RecordCode::comment).number(0).name(std::string(10000, 'n'));
  ASSERT_EQ(writer.end(), WriteStatus::ok);
  EXPECT_EQ(sink.appends, (std::vector<std::size_t>{100, 10005}));
  EXPECT_EQ(writer.offset(), 10105u);
}

TEST(RecordWriter, PatchesInTheBufferInTheFileAndAcrossTheFlushPoint) {
  RecordingSink sink;
  RecordWriter writer(&sink);
  writer.begin(RecordCode::moduleBegin).name("KZEL").name("m");
  ASSERT_EQ(writer.end(), WriteStatus::ok);
  std::uint64_t header = writer.offset();
  ASSERT_EQ(writer.reserve(kPartPointerBytes), WriteStatus::ok);
  writer.begin(RecordCode::attribute).letter('N').number(0x21).number(0).number(0x34);
  std::uint64_t statusAt = writer.nextByteOffset();
  writer.record().number(0);
  ASSERT_EQ(writer.end(), WriteStatus::ok);
  for (int i = 0; i < 40; ++i) ASSERT_EQ(writeRecordOfSize(writer, 250), WriteStatus::ok);
  std::uint64_t straddle = sink.appends.at(0) - 2;  // two bytes flushed, two still buffered

  PartOffsets offsets{1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(patchPartPointers(writer, header, offsets), WriteStatus::ok);
  EXPECT_EQ(writer.patchByte(statusAt, 0x02), WriteStatus::ok);
  const std::uint8_t marks[] = {0xA1, 0xA2, 0xA3, 0xA4};
  EXPECT_EQ(writer.patch(straddle, marks), WriteStatus::ok);
  EXPECT_EQ(sink.overwrites, 3);  // pointers, status byte, flushed half of the marks
  ASSERT_EQ(writer.flush(), WriteStatus::ok);

  const Bytes& file = sink.memory.bytes();
  auto pointers = encodePartPointers(offsets);
  EXPECT_TRUE(std::equal(pointers.begin(), pointers.end(),
                         file.begin() + static_cast<std::ptrdiff_t>(header)));
  EXPECT_EQ(file[statusAt], 0x02);
  EXPECT_EQ(Bytes(file.begin() + static_cast<std::ptrdiff_t>(straddle),
                  file.begin() + static_cast<std::ptrdiff_t>(straddle) + 4),
            (Bytes{0xA1, 0xA2, 0xA3, 0xA4}));
}

// A record built elsewhere goes out as one built in the writer: the same bytes, offsets and
// flush points, never split.
TEST(RecordWriter, RecordsBuiltElsewhereAreCommittedAlike) {
  RecordingSink builtHere;
  RecordingSink builtElsewhere;
  RecordWriter here(&builtHere);
  RecordWriter elsewhere(&builtElsewhere);
  for (std::size_t size : {200u, 8000u, 190u, 255u, 5000u, 3191u, 9000u, 12u}) {
    ASSERT_EQ(writeRecordOfSize(here, size), WriteStatus::ok);
    ASSERT_EQ(elsewhere.write(commentOfSize(size).bytes()), WriteStatus::ok);
    EXPECT_EQ(elsewhere.offset(), here.offset());
  }
  ASSERT_EQ(here.flush(), WriteStatus::ok);
  ASSERT_EQ(elsewhere.flush(), WriteStatus::ok);
  EXPECT_EQ(builtElsewhere.appends, builtHere.appends);
  EXPECT_EQ(builtElsewhere.memory.bytes(), builtHere.memory.bytes());
}

TEST(RecordWriter, WithoutASinkOffsetsStillCount) {
  RecordingSink sink;
  RecordWriter writing(&sink);
  RecordWriter counting(nullptr);
  for (RecordWriter* writer : {&writing, &counting}) {
    ASSERT_EQ(writer->reserve(64), WriteStatus::ok);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(writeRecordOfSize(*writer, 300), WriteStatus::ok);
    EXPECT_EQ(writer->patchByte(10, 1), WriteStatus::ok);
    EXPECT_EQ(writer->flush(), WriteStatus::ok);
  }
  EXPECT_EQ(counting.offset(), writing.offset());
  EXPECT_EQ(counting.offset(), 64u + 50u * 300u);
  EXPECT_FALSE(counting.writing());
}

TEST(RecordWriter, FailuresAreReportedAndSticky) {
  RecordingSink sink;
  RecordWriter writer(&sink);
  ASSERT_EQ(writeRecordOfSize(writer, 8000), WriteStatus::ok);
  sink.failAppend = true;
  EXPECT_EQ(writeRecordOfSize(writer, 300), WriteStatus::writeFailed);
  sink.failAppend = false;
  EXPECT_EQ(writeRecordOfSize(writer, 10), WriteStatus::writeFailed);
  EXPECT_EQ(writer.flush(), WriteStatus::writeFailed);
  EXPECT_EQ(writer.status(), WriteStatus::writeFailed);

  RecordingSink seekless;
  RecordWriter patcher(&seekless);
  ASSERT_EQ(writeRecordOfSize(patcher, 8000), WriteStatus::ok);
  ASSERT_EQ(writeRecordOfSize(patcher, 300), WriteStatus::ok);
  seekless.failOverwrite = true;
  EXPECT_EQ(patcher.patchByte(5, 0), WriteStatus::seekFailed);
  EXPECT_EQ(patcher.status(), WriteStatus::seekFailed);
}

TEST(RecordWriter, PatchOutsideTheCommittedBytesIsRefused) {
  RecordWriter writer(nullptr);
  ASSERT_EQ(writer.reserve(8), WriteStatus::ok);
  writer.begin(RecordCode::moduleEnd);  // not yet committed
  const std::uint8_t two[] = {1, 2};
  EXPECT_EQ(writer.patch(7, two), WriteStatus::outsideOutput);
}

TEST(DataRecords, ConstantRunOf300BytesIsThreeRecords) {
  MemorySink sink;
  RecordWriter writer(&sink);
  Bytes data(300);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  ASSERT_EQ(writeConstantData(writer, RecordCode::loadRelocated, data), WriteStatus::ok);
  ASSERT_EQ(writer.flush(), WriteStatus::ok);
  const Bytes& out = sink.bytes();
  ASSERT_EQ(out.size(), 300u + 3u * 2u);
  EXPECT_EQ((Bytes{out[0], out[1], out[2]}), (Bytes{0xE4, 127, 0}));
  EXPECT_EQ((Bytes{out[129], out[130], out[131]}), (Bytes{0xE4, 127, 127}));
  EXPECT_EQ((Bytes{out[258], out[259], out[260]}), (Bytes{0xE4, 46, 254}));
}

TEST(DataRecords, RepeatedFillIsRepeatThenOneByteLoad) {
  MemorySink sink;
  RecordWriter writer(&sink);
  ASSERT_EQ(writeRepeatedByte(writer, RecordCode::loadConstant, 0xFF, 300), WriteStatus::ok);
  ASSERT_EQ(writer.flush(), WriteStatus::ok);
  EXPECT_EQ(sink.bytes(), (Bytes{0xF7, 0x82, 0x01, 0x2C, 0xED, 0x01, 0xFF}));
}

TEST(FileSink, PatchesAfterFlushLandInTheFile) {
  char path[] = "/tmp/kz_object_XXXXXX";
  int descriptor = ::mkstemp(path);
  ASSERT_GE(descriptor, 0);
  ::close(descriptor);
  auto sink = FileSink::create(path);
  ASSERT_TRUE(sink);
  RecordWriter writer(sink.get());
  ASSERT_EQ(writer.reserve(4), WriteStatus::ok);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(writeRecordOfSize(writer, 5000), WriteStatus::ok);
  const std::uint8_t mark[] = {0xE2, 0xD7, 0x00, 0x84};
  ASSERT_EQ(writer.patch(0, mark), WriteStatus::ok);
  ASSERT_EQ(writer.flush(), WriteStatus::ok);
  ASSERT_TRUE(sink->close());
  std::ifstream file(path, std::ios::binary);
  Bytes contents((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::remove(path);
  ASSERT_EQ(contents.size(), 4u + 15000u);
  EXPECT_EQ(Bytes(contents.begin(), contents.begin() + 5), (Bytes{0xE2, 0xD7, 0x00, 0x84, 0xEA}));
}

TEST(FileSink, FullDeviceIsAWriteFailure) {
  auto sink = FileSink::create("/dev/full");
  if (!sink) GTEST_SKIP() << "/dev/full cannot be opened here";
  RecordWriter writer(sink.get());
  ASSERT_EQ(writeRecordOfSize(writer, 100), WriteStatus::ok);
  EXPECT_EQ(writer.flush(), WriteStatus::writeFailed);
  EXPECT_FALSE(FileSink::create("/nonexistent-directory/x.rel"));
}

}  // namespace
}  // namespace kz::object
