#include "ftp/connection_test.h"

#include "ftp/Uftp_module.h"

ConnectionTestReport TestConnection(Tftp_module& ftp, const std::string& host,
                                    const std::string& username, const std::string& password,
                                    const FtpTlsOptions& tls) {
    auto session = ftp.TryLock();
    if (!session)
        return {ConnectionTestResult::Busy, {}, false, false};
    (*session)->SetTls(tls);
    const Tftp_module::ScopedDisconnect disconnect(ftp);
    if (ftp.FtpConnect(host, username, password) != 0)
        return {ConnectionTestResult::Failed, {}, false, false};
    const TlsChannel* channel = (*session)->ControlTls();
    return {ConnectionTestResult::Connected, channel ? channel->Protocol() : std::string(),
            (*session)->TlsRefused(), (*session)->Features().Mlsd()};
}
