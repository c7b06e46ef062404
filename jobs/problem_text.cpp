#include "jobs/problem_text.h"

#include <utility>

#include "core/text_util.h"
#include "core/texts.h"

namespace {

using Kind = FtpFailureKind;

std::string certificateProblemText(const CertificateInfo& info) {
    switch (info.problem) {
    case CertificateProblem::None:
        return {};
    case CertificateProblem::Expired:
        return std::string(texts::kCertificateExpired);
    case CertificateProblem::NotYetValid:
        return std::string(texts::kCertificateNotYetValid);
    case CertificateProblem::SelfSigned:
        return std::string(texts::kCertificateSelfSigned);
    case CertificateProblem::UnknownIssuer:
        return std::string(texts::kCertificateUnknownIssuer);
    case CertificateProblem::WrongName:
        return Concat(
            {Filled(texts::kCertificateWrongName, {{"host", EscapeControls(info.problemDetail)}}),
             texts::kCertificateWrongNameHint});
    case CertificateProblem::Other:
        return Concat({texts::kCertificateOther, info.problemDetail});
    }
    return {};
}

} // namespace

std::string DurationText(std::chrono::milliseconds duration) {
    const long long ms = duration.count();
    if (ms >= 60000 && ms % 60000 == 0)
        return Filled(texts::kFtpMinutes, {{"count", std::to_string(ms / 60000)}});
    if (ms >= 10000 || ms % 1000 == 0)
        return Filled(texts::kFtpSeconds, {{"count", std::to_string((ms + 500) / 1000)}});
    return Filled(texts::kFtpMilliseconds, {{"count", std::to_string(ms)}});
}

std::string CertificateText(const CertificateInfo& info) {
    std::string text(texts::kCertificateUntrusted);
    text += texts::kLineBreak;
    text += certificateProblemText(info);
    for (const auto& [label, value] :
         {std::pair(texts::kCertificateSubject, info.subject),
          std::pair(texts::kCertificateNames, info.names),
          std::pair(texts::kCertificateIssuer, info.issuer),
          std::pair(texts::kCertificateValidity,
                    info.validFrom + " 〜 " + info.validUntil + " (UTC)"),
          std::pair(texts::kCertificateFingerprint, info.fingerprint)}) {
        text += texts::kLineBreak;
        text += label;
        text += value;
    }
    return text;
}

std::string FailureText(const FtpFailure& f) {
    const std::string time = DurationText(f.bound);
    switch (f.kind) {
    case Kind::None:
        return {};
    case Kind::Unknown:
        return f.detail.empty() ? std::string(texts::kFtpUnknownError) : f.detail;
    case Kind::NotConnected:
        return std::string(texts::kFtpNotConnected);
    case Kind::AlreadyConnected:
        return std::string(texts::kFtpAlreadyConnected);
    case Kind::Refused:
        return f.detail;
    case Kind::TlsRefused:
        return Concat({texts::kTlsRefused, f.detail});
    case Kind::InvalidHost:
        return Filled(texts::kFtpInvalidHost, {{"host", f.subject}});
    case Kind::InvalidPort:
        return Filled(texts::kFtpInvalidPort, {{"host", f.subject}});
    case Kind::NoPassiveAddress:
        return Filled(texts::kFtpNoPassiveAddress, {{"reply", f.detail}});
    case Kind::NoExtendedPassivePort:
        return Filled(texts::kFtpNoExtendedPassivePort, {{"reply", f.detail}});
    case Kind::NoFolderInReply:
        return Filled(texts::kFtpNoFolderInReply, {{"reply", f.detail}});
    case Kind::LineBreakInCommand:
        return std::string(texts::kFtpLineBreakInCommand);
    case Kind::ReplyTooLong:
        return std::string(texts::kFtpReplyTooLong);
    case Kind::ServerClosed:
        return std::string(texts::kFtpServerClosed);
    case Kind::ListingTooLong:
        return std::string(texts::kFtpListingTooLong);
    case Kind::ListingTooManyLines:
        return Filled(texts::kFtpListingTooManyLines, {{"limit", std::to_string(f.count)}});
    case Kind::UnreadableListing:
        return Filled(texts::kFtpUnreadableListing,
                      {{"line", f.cut ? Concat({f.detail, texts::kFtpQuoteCut}) : f.detail}});
    case Kind::CannotResolve:
        return Filled(texts::kFtpCannotResolve, {{"host", f.subject}, {"reason", f.detail}});
    case Kind::CannotConnect:
        return Filled(texts::kFtpCannotConnect, {{"address", f.subject}, {"reason", f.detail}});
    case Kind::ConnectTimeout:
        return Filled(texts::kFtpConnectTimeout, {{"address", f.subject}, {"time", time}});
    case Kind::Silent:
        return Filled(texts::kFtpSilent, {{"peer", f.subject}, {"time", time}});
    case Kind::NotTaking:
        return Filled(texts::kFtpNotTaking, {{"peer", f.subject}, {"time", time}});
    case Kind::ReplyTimeout:
        return Filled(texts::kFtpReplyTimeout, {{"peer", f.subject}, {"time", time}});
    case Kind::TransferTimeout:
        return Filled(texts::kFtpTransferTimeout,
                      {{"peer", f.subject}, {"time", time}, {"bytes", std::to_string(f.count)}});
    case Kind::SendFailed:
        return Filled(texts::kFtpSendFailed, {{"peer", f.subject}, {"reason", f.detail}});
    case Kind::ReceiveFailed:
        return Filled(texts::kFtpReceiveFailed, {{"peer", f.subject}, {"reason", f.detail}});
    case Kind::WaitFailed:
        return Filled(texts::kFtpWaitFailed, {{"reason", f.detail}});
    case Kind::StopUnavailable:
        return Filled(texts::kFtpStopUnavailable, {{"reason", f.detail}});
    case Kind::Stopped:
        return std::string(texts::kFtpStopped);
    case Kind::CannotOpenFile:
        return Filled(texts::kFtpCannotOpenFile, {{"file", f.subject}, {"reason", f.detail}});
    case Kind::CannotReadFile:
        return Filled(texts::kFtpCannotReadFile, {{"file", f.subject}, {"reason", f.detail}});
    case Kind::NotARegularFile:
        return Filled(texts::kFtpNotARegularFile, {{"file", f.subject}});
    case Kind::TlsHandshakeFailed:
        return Concat({texts::kTlsHandshakeFailed, f.detail});
    case Kind::TlsHandshakeCut:
        return Concat({texts::kTlsHandshakeFailed, texts::kTlsCutShort});
    case Kind::TlsBroken:
        return Concat({texts::kTlsBroken, f.detail});
    case Kind::TlsCut:
        return Concat({texts::kTlsBroken, texts::kTlsCutShort});
    case Kind::TlsNoCertificate:
        return std::string(texts::kTlsNoCertificate);
    case Kind::UntrustedCertificate:
        return f.certificate ? CertificateText(*f.certificate)
                             : std::string(texts::kCertificateUntrusted);
    }
    return std::string(texts::kFtpUnknownError);
}

std::string SftpFailureText(const SftpError& error) {
    std::string_view sentence = texts::kSftpRefused;
    switch (error.Kind()) {
    case SftpFailureKind::ConnectFailed: sentence = texts::kSftpConnectFailed; break;
    case SftpFailureKind::HostKeyUnknown: sentence = texts::kSftpHostKeyUnknown; break;
    case SftpFailureKind::HostKeyChanged: sentence = texts::kSftpHostKeyChanged; break;
    case SftpFailureKind::AuthFailed: sentence = texts::kSftpAuthFailed; break;
    case SftpFailureKind::KeyPassphrase: sentence = texts::kSftpKeyPassphrase; break;
    case SftpFailureKind::KeyUnusable: sentence = texts::kSftpKeyUnusable; break;
    case SftpFailureKind::NoSuchFile: sentence = texts::kSftpNoSuchFile; break;
    case SftpFailureKind::Permission: sentence = texts::kSftpPermission; break;
    case SftpFailureKind::Refused: break;
    case SftpFailureKind::LocalFile: sentence = texts::kSftpLocalFile; break;
    case SftpFailureKind::TooLarge: sentence = texts::kSftpTooLarge; break;
    case SftpFailureKind::LostConnection: sentence = texts::kSftpLostConnection; break;
    case SftpFailureKind::TimedOut: sentence = texts::kSftpTimedOut; break;
    case SftpFailureKind::Stopped: sentence = texts::kSftpStopped; break;
    }
    std::string text(sentence);
    // A refused host key's detail is its fingerprint, shown with its type and host.
    if (!error.HostKey().fingerprint.empty())
        text += Concat({texts::kLineBreak,
                        Filled(texts::kHostKeyFacts, {{"type", error.HostKey().type},
                                                      {"fingerprint", error.HostKey().fingerprint}})});
    else if (error.what()[0] != '\0')
        text += Concat({texts::kLineBreak, EscapeControls(error.what())});
    return text;
}

std::string ErrorText(const std::exception& error) {
    if (const auto* sftp = dynamic_cast<const SftpError*>(&error))
        return SftpFailureText(*sftp);
    if (const auto* damaged = dynamic_cast<const SettingsDamaged*>(&error))
        return Concat(
            {Filled(texts::kSettingsLineDamaged, {{"line", std::to_string(damaged->Line())},
                                                  {"file", damaged->File().string()}}),
             texts::kLineBreak, damaged->what()});
    return FailureText(FailureOf(error));
}

std::string_view SiteUrlProblemText(SiteUrlProblem problem) {
    switch (problem) {
    case SiteUrlProblem::None:
        break;
    case SiteUrlProblem::Separator:
        return texts::kSeparatorRefused;
    case SiteUrlProblem::UnsafeCharacter:
        return texts::kUnusableCharacter;
    case SiteUrlProblem::NotWeb:
        return texts::kSiteUrlNotWeb;
    }
    return {};
}

std::string SettingsGarbledText(const std::filesystem::path& folder) {
    return Filled(texts::kSettingsGarbled, {{"file", (folder / kDatFileName).string()}});
}

std::string ShrinkText(const ShrinkFinding& finding) {
    return Filled(finding.incomplete ? texts::kShrinkIncomplete : texts::kShrinkFewer,
                  {{"published", std::to_string(finding.publishedUrls)},
                   {"new", std::to_string(finding.newUrls)}});
}

std::string ServerFailureText(const ServerFailure& failure) {
    return failure.sftp ? SftpFailureText(*failure.sftp) : FailureText(failure.ftp);
}

std::string UploadFailureText(const UploadResult& result) {
    if (result.failure.Failed())
        return ServerFailureText(result.failure);
    if (result.outcome == UploadOutcome::ShrinkRefused)
        return ShrinkText(result.shrink);
    if (result.part.empty())
        return result.fileProblem;
    // A name the index holds that is no part's name is refused as no file would be.
    return Concat({Filled(texts::kPartNotUploadable, {{"file", EscapeControls(result.part)}}),
                   texts::kLineBreak,
                   result.fileProblem.empty()
                       ? Filled(texts::kNotARegularFile, {{"file", result.part}})
                       : result.fileProblem});
}

std::string MemoryProblemText(const SiteMemory::Problem& problem) {
    const std::string file = problem.file.string();
    if (problem.kind == SiteMemory::Problem::Kind::Damaged)
        return Filled(texts::kMemoryDamaged, {{"file", file}, {"aside", problem.detail}});
    return Concat(
        {Filled(texts::kMemoryUnavailable, {{"file", file}}), texts::kLineBreak, problem.detail});
}

std::string WalkProblemText(const WalkProblem& problem) {
    using texts::kLineBreak;
    switch (problem.kind) {
    case WalkProblemKind::LoginFailed:
        return Concat({texts::kConnectFailed, kLineBreak, problem.detail});
    case WalkProblemKind::WalkEnded:
        return Concat({texts::kListCutShort, kLineBreak,
                       problem.detail.empty() ? std::string_view(texts::kUnknownError)
                                              : std::string_view(problem.detail)});
    case WalkProblemKind::FolderMissing:
        return Concat({problem.folder, texts::kFolderMissing, kLineBreak, texts::kListCutShort});
    case WalkProblemKind::FolderDenied:
        return Concat({problem.folder, texts::kFolderDenied});
    case WalkProblemKind::ListingUnreadable:
        return Concat({problem.folder, texts::kListingUnreadable, kLineBreak, problem.detail});
    case WalkProblemKind::FoldersTooDeep:
        return Concat({Filled(texts::kFoldersTooDeep, {{"depth", std::to_string(kMaxWalkDepth)},
                                                       {"count", std::to_string(problem.count)}}),
                       kLineBreak, problem.folder});
    case WalkProblemKind::FoldersRepeated:
        return Concat({Filled(texts::kFoldersRepeated, {{"count", std::to_string(problem.count)}}),
                       kLineBreak, problem.folder});
    case WalkProblemKind::MlsdRefused:
        return Filled(texts::kMlsdRefused, {{"mlsd", std::to_string(problem.count)},
                                            {"list", std::to_string(problem.listCount)}});
    }
    return {};
}

std::string VerdictText(const PageVerdict& verdict) {
    const std::string status = std::to_string(verdict.status);
    switch (verdict.verdict) {
    case Verdict::Indexable:
        return std::string(texts::kVerdictIndexable);
    case Verdict::NotFound:
        return Filled(texts::kVerdictNotFound, {{"status", status}});
    case Verdict::Redirected:
        return Filled(texts::kVerdictRedirected, {{"status", status}, {"target", verdict.target}});
    case Verdict::NoIndex:
        return std::string(texts::kVerdictNoIndex);
    case Verdict::CanonicalElsewhere:
        return Filled(texts::kVerdictCanonical, {{"target", verdict.target}});
    case Verdict::NotModified:
        return std::string(texts::kVerdictNotModified);
    case Verdict::VerificationFile:
        return std::string(texts::kVerdictVerificationFile);
    case Verdict::ErrorDocument:
        return std::string(texts::kVerdictErrorDocument);
    case Verdict::Unreachable:
        break;
    }
    switch (verdict.cause) {
    case Unknown::ServerError:
        return Filled(texts::kVerdictServerError, {{"status", status}});
    case Unknown::Refused:
        return Filled(texts::kVerdictRefused, {{"status", status}});
    case Unknown::TimedOut:
        return std::string(texts::kVerdictTimedOut);
    case Unknown::Certificate:
        return std::string(texts::kVerdictCertificate);
    case Unknown::Stopped:
        return std::string(texts::kVerdictStopped);
    case Unknown::None:
    case Unknown::Network:
        break;
    }
    return std::string(texts::kVerdictNetwork);
}
