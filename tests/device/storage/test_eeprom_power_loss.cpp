// Power loss while the EEPROM image is saved: a child process commits new
// parameter records in a loop and is killed (SIGKILL) at a random moment;
// after every kill a fresh device must load a whole, valid record from
// "eeprom.dat" or "eeprom.dat.old", never an older one than it had before,
// and neither name may hold a partly written file.
#include <csignal>
#include <cstring>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "device/device_memory.h"
#include "device/storage/eeprom.h"
#include "device/storage/params.h"
#include "device/storage/storage_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 150;

class EepromPowerLoss : public StorageTest {
  protected:
    /* A device started afresh from the files: its record's generation (the
     * CAN1 log number), or -1 when the record or the image is not whole. */
    long Boot() {
        device_memory_reset();
        fs_set_base(base_.c_str());
        eeprom_load();
        if (!params_load()) return -1;
        const uint32_t generation = params_log_number(0);
        // The rest of the image was written together with the record.
        for (uint32_t i = sizeof(AppParams); i < EEPROM_SIZE; ++i) {
            if (eeprom_image()[i] != static_cast<uint8_t>(generation)) return -1;
        }
        return generation;
    }

    /* The child: boot, report ready, then commit generation after generation. */
    [[noreturn]] void SaveForever(int ready_fd) {
        if (Boot() < 0) _exit(3);
        const char ready = 'r';
        if (write(ready_fd, &ready, 1) != 1) _exit(4);
        for (;;) {
            const uint32_t generation = params_next_log_number(0);
            std::memset(device_memory.storage.eeprom.eeprom_image + sizeof(AppParams),
                        static_cast<uint8_t>(generation), EEPROM_SIZE - sizeof(AppParams));
            params_commit();
        }
    }
};

TEST_F(EepromPowerLoss, EveryKillLeavesAWholeRecordBehind) {
    MakeRoots();
    // Generation 0 on disk: defaults committed once.
    eeprom_load();
    params_load();
    std::memset(device_memory.storage.eeprom.eeprom_image + sizeof(AppParams), 0,
                EEPROM_SIZE - sizeof(AppParams));
    params_commit();
    ASSERT_EQ(Boot(), 0);

    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> delay_us(0, 8000);
    long previous = 0;
    int midway = 0; // kills that caught a save with its temporary file
    for (int run = 0; run < kRuns; ++run) {
        int pipe_fds[2];
        ASSERT_EQ(pipe(pipe_fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipe_fds[0]);
            SaveForever(pipe_fds[1]);
        }
        close(pipe_fds[1]);
        char ready = 0;
        const bool started = read(pipe_fds[0], &ready, 1) == 1;
        close(pipe_fds[0]);
        if (started) usleep(static_cast<useconds_t>(delay_us(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(started) << "run " << run << ": the child could not boot, status " << status;
        ASSERT_TRUE(WIFSIGNALED(status)) << "run " << run;

        if (fs::exists(Path(FS_ROOT_CONFIG, EEPROM_TMP_FILE))) ++midway;
        // Stronger than the load needs: a file under either name is whole,
        // since each gets its name only once it is complete.
        for (const char* name : {EEPROM_FILE, EEPROM_OLD_FILE}) {
            const fs::path file = Path(FS_ROOT_CONFIG, name);
            if (!fs::exists(file)) continue;
            ASSERT_EQ(fs::file_size(file), EEPROM_SIZE) << "run " << run << ": " << name;
        }
        const long generation = Boot();
        ASSERT_GE(generation, 0) << "run " << run << ": no whole record after the kill";
        ASSERT_GE(generation, previous) << "run " << run << ": an older record came back";
        previous = generation;
    }
    EXPECT_GT(previous, 0) << "the children never got a save done";
    std::printf("%d kills, %ld generations saved, %d kills during a save\n", kRuns, previous,
                midway);
}

} // namespace
