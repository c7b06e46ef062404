#include "ftp/connection_test.h"

#include "ftp/Uftp_module.h"

ConnectionTestResult TestConnection(Tftp_module& ftp, const std::string& host,
                                    const std::string& username, const std::string& password) {
    auto session = ftp.TryLock();
    if (!session)
        return ConnectionTestResult::Busy;
    const int result = ftp.FtpConnect(host, username, password);
    ftp.FtpDisconnect();
    return result == 1 ? ConnectionTestResult::Failed : ConnectionTestResult::Connected;
}
