// Shared by the record engine tests: an initialised engine and a fresh folder per test, and byte access to
// the files the engine writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/store/RecordEngine.h"
#include "catalogue/store/RecordEngineErrors.h"
#include "catalogue/store/RecordEngineFormat.h"
#include "catalogue/store/RecordEngineIO.h"
#include "support/TestSupport.h"

class RecordEngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        InitRecordEngine(8);
        ASSERT_TRUE(EngineOK) << EngineError;
    }
    void TearDown() override {
        SetRecordEngineWriteFault(-1);
        if (RecordEngineInitialized()) DoneRecordEngine();
    }

    std::string Base() const { return Home.File("disc"); }
    std::string DataName() const { return Home.File("disc.DAT"); }
    std::string IndexName() const { return Home.File("disc.IX"); }

    // The catalogue's layout: a unique 16-byte key and five 20-byte keys with duplicates.
    void CreateCatalogueLike(std::int32_t RecordLength = 1204) {
        CreateRecordFile(Base(), RecordLength, 6, {{16, 0}, {20, 1}, {20, 1}, {20, 1}, {20, 1}, {20, 1}});
        ASSERT_TRUE(EngineOK) << EngineError;
    }
    TRecordFile* Open() {
        TRecordFile* f = nullptr;
        OpenRecordFile(f, Base());
        EXPECT_TRUE(EngineOK) << EngineError;
        return f;
    }
    void Close(TRecordFile*& F) {
        CloseRecordFile(F);
        EXPECT_TRUE(EngineOK) << EngineError;
    }

    static std::int32_t I32(const std::string& Bytes, std::size_t Offset) {
        return RecordFormat::GetI32(reinterpret_cast<const unsigned char*>(Bytes.data()) + Offset);
    }
    static int U16(const std::string& Bytes, std::size_t Offset) {
        return RecordFormat::GetU16(reinterpret_cast<const unsigned char*>(Bytes.data()) + Offset);
    }
    static void SetI32(std::string& Bytes, std::size_t Offset, std::int32_t V) {
        RecordFormat::PutI32(reinterpret_cast<unsigned char*>(Bytes.data()) + Offset, V);
    }
    static void SetU16(std::string& Bytes, std::size_t Offset, std::uint16_t V) {
        RecordFormat::PutU16(reinterpret_cast<unsigned char*>(Bytes.data()) + Offset, V);
    }

    // Levels of key K's tree in a closed index file, following leftmost children from the root.
    static int TreeDepth(const std::string& Index, const std::vector<TKeyDescriptor>& Keys, int K) {
        std::size_t slot = 0, region = 0;
        for (int k = 0; k < static_cast<int>(Keys.size()); ++k) {
            if (k < K - 1) region += static_cast<std::size_t>(RecordFormat::PageSizeFor(Keys[k].KeyLength));
            slot += static_cast<std::size_t>(RecordFormat::PageSizeFor(Keys[k].KeyLength));
        }
        int depth = 0;
        for (std::int32_t p = I32(Index, region + RecordFormat::KeyRoot); p != 0 && depth < 30; ++depth)
            p = I32(Index, p * slot + region + RecordFormat::PageLeftChild);
        return depth;
    }

    TTempHome Home;
};
