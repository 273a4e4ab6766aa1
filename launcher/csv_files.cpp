// The project's protected CSV files: each ".bry" is turned into its plain ".csv" at start.

#include <vector>

#include "config/project_info.h"
#include "integrity/csv_decryptor.h"
#include "launcher/launcher.h"
#include "platform/file_system.h"
#include "platform/log.h"

bool Launcher::DecryptCsvFiles() {
    std::string error;
    CsvDecryptor decryptor;
    if (!decryptor.SetKey(kCsvKey, kCsvChain, error)) {
        LOG_PRINT_ERROR("csv files encrypt error %s", error.c_str());
        return false;
    }

    const std::vector<CsvFile> csvFiles = _projectInfo->CsvFiles();
    for (const CsvFile& csvFile : csvFiles) {
        std::string target = csvFile.filePath;
        ReplaceVariables(target);
        if (csvFile.isEncrypt != 1) {
            continue;
        }
        const std::string source = ProtectedPathFor(target);

        LOG_DEBUG("Decryption csv File %s to %s:", source.c_str(), target.c_str());
        if (!PathExists(source)) {
            LOG_PRINT_ERROR("Decryption csv File %s not exist", source.c_str());
            return false;
        }
        if (!decryptor.DecryptFile(source, target, error)) {
            LOG_PRINT_ERROR("Decryption csv File %s to %s error: %s", source.c_str(),
                            target.c_str(), error.c_str());
            return false;
        }
    }
    return true;
}
