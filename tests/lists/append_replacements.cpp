// Test helper: one program appending replacements to a list the way the converter's "OK-S" does,
// run twice at the same time by the list sharing tests.
//
//   append_replacements FOLDER VERSION FIRST_ID COUNT GO_FILE
//
// Loads the six lists of FOLDER once, waits until GO_FILE exists (so that both copies start
// together), then saves COUNT replacements {NewDfType 1, FIRST_ID + i, i + 1} of VERSION one by
// one with RememberAndSaveReplacement. Exit status 0 when all were saved.
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <thread>

#include "lists/list_store.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: append_replacements FOLDER VERSION FIRST_ID COUNT GO_FILE\n");
        return 2;
    }
    try {
        vok::ListStore store(argv[1]);
        vok::ListLockOptions lock;
        lock.owner = "append_replacements";
        lock.wait = std::chrono::seconds(60);  // this test is about lost updates, not waiting
        store.setLockOptions(lock);
        store.InitilizeItemLists();

        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!std::filesystem::exists(argv[5])) {
            if (std::chrono::steady_clock::now() > giveUp) throw std::runtime_error("no go file");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const int first = std::stoi(argv[3]);
        for (int i = 0; i < std::stoi(argv[4]); ++i) {
            store.RememberAndSaveReplacement(static_cast<vok::DfType>(std::stoi(argv[2])), vok::DfType::Df1,
                                             static_cast<std::int16_t>(first + i),
                                             static_cast<std::int16_t>(i + 1));
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "append_replacements: %s\n", error.what());
        return 1;
    }
}
