// The FTP client: login (with one-time passwords), features, folder change,
// listings and uploads over active-mode data connections (the client
// listens, announces the address with PORT, and the server connects).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/NetSimpleServer.h"
#include "net/NetTCPConnection.h"
#include "platform/Stream.h"

enum TNetFTPTransferType { ftASCII, ftBinary };
enum TNetUseTLS { utNoTLSSupport, utUseImplicitTLS, utUseRequireTLS, utUseExplicitTLS };
enum TAuthCmd { tAuto, tAuthTLS, tAuthSSL, tAuthTLSC, tAuthTLSP };
enum TNetFTPDataPortSecurity { ftpdpsClear, ftpdpsPrivate };
enum TNetFtpProxyType {
    fpcmNone,
    fpcmUserSite,
    fpcmSite,
    fpcmOpen,
    fpcmUserPass,
    fpcmTransparent,
    fpcmUserHostFireWallID,
    fpcmNovellBorder,
    fpcmHttpProxyWithFtp,
    fpcmCustomProxy
};

struct TNetFtpProxySettings {
    TNetFtpProxyType ProxyType = fpcmNone;
    std::string Host;
    std::string UserName;
    std::string Password;
    uint16_t Port = 0;
};

struct TNetFTPClientIdentifier {
    std::string ClientName;
    std::string ClientVersion;
    std::string PlatformDescription;
};

struct TNetFTPTZInfo {
    // Offset from GMT as a fraction of a day.
    double GMTOffset = 0;
    bool GMTOffsetAvailable = false;
};

struct TNetFTPListResult {
    std::vector<std::string> Lines;
    bool Details = false;
    bool MachineListing = false;
};

// The features a server announced in its FEAT reply.
class TNetExplicitTLSClient : public TNetTCPClientCustom {
public:
    std::vector<std::string> Features;
    TNetUseTLS UseTLS = utNoTLSSupport;
    std::function<void(TNetComponent& sender, bool& continueWithoutTLS)> OnTLSNotAvailable;

    // A line's first word equals name, without regard to case.
    bool IsFeature(const std::string& name) const;
    // The rest of that line, split at ";", trimmed, empty items dropped.
    std::vector<std::string> FeatureFacts(const std::string& name) const;
};

class TNetFTP : public TNetExplicitTLSClient {
public:
    using TBannerEvent = std::function<void(TNetFTP& sender, const std::string& text)>;
    using TDataChannelEvent = std::function<void(TNetFTP& sender, TNetTCPConnection& dataChannel)>;

    TNetFTP();
    ~TNetFTP() override;

    std::string Username;
    std::string Password;
    std::string Account;
    bool AutoLogin = true;
    bool AutoFeatures = true;
    bool Passive = false;
    bool PassiveUseControlHost = false;
    // Data connection read limit in ms (0: none) and the wait for the
    // server's data connection in ms.
    int TransferTimeout = 0;
    int ListenTimeout = 10000;
    uint16_t DataPort = 0;
    uint16_t DataPortMin = 0;
    uint16_t DataPortMax = 0;
    // Announced in PORT instead of the listener's own address when set.
    std::string ExternalIP;
    bool UseHOST = true;
    bool UseMLIS = true;
    bool UseExtensionDataPort = false;
    bool TryNATFastTrack = false;
    TAuthCmd AUTHCmd = tAuto;
    TNetFTPDataPortSecurity DataPortProtection = ftpdpsClear;
    bool UseCCC = false;
    TNetFtpProxySettings ProxySettings;
    TNetFTPClientIdentifier ClientInfo;

    TBannerEvent OnBannerBeforeLogin;
    TBannerEvent OnBannerAfterLogin;
    TBannerEvent OnBannerWarning;
    TNotifyEvent OnAfterClientLogin;
    std::function<void(TNetFTP& sender, std::string& account)> OnNeedAccount;
    TDataChannelEvent OnDataChannelCreate;
    TDataChannelEvent OnDataChannelDestroy;
    TNotifyEvent OnRetrievedDir;
    TNotifyEvent OnAfterGet;
    TNotifyEvent OnAfterPut;

    TNetFTPTransferType TransferType() const { return transferType_; }
    // Sends TYPE first when connected; unchanged values send nothing.
    void SetTransferType(TNetFTPTransferType type);

    void SetIOHandler(TNetIOHandler* handler, bool owned) override;
    using TNetTCPConnection::SetIOHandler;

    void Connect() override;
    void Login();
    void ChangeDir(const std::string& folder);
    std::string CurrentDir();
    void List(std::vector<std::string>* destination, const std::string& specifier = "", bool details = true);
    void Put(const std::string& localHostFile, const std::string& remoteName, bool append = false);
    void Put(TStream& source, const std::string& remoteName, bool append = false);

    const std::string& SystemType() const { return systemType_; }
    bool CanUseMLSD() const { return canUseMLSD_; }
    TNetReply& LoginReply() { return *loginReply_; }
    const TNetFTPListResult& ListResult() const { return listResult_; }
    TNetSimpleServer* DataChannel() const { return dataChannel_.get(); }
    const TNetFTPTZInfo& ServerTimeZone() const { return serverTimeZone_; }
    const std::vector<std::string>& LanguageList() const { return languages_; }
    bool AbortFlag() const { return abortFlag_; }

protected:
    std::unique_ptr<TNetReply> MakeReply() const override;
    void NotifyPeerOfDisconnect() override;

private:
    void SendTransferType();
    void SendSyst();
    bool SiteZoneTest();
    void SendSiteZone();
    void ProcessFeatures();
    // The active-mode transfer; move runs on the accepted data connection.
    void TransferData(const std::string& command, const TNetReplyCodes& accepted,
                      const std::function<void(TNetIOHandler&)>& move);

    TNetFTPTransferType transferType_ = ftASCII;
    std::string systemType_;
    bool canUseMLSD_ = false;
    bool usingExtDataPort_ = false;
    std::unique_ptr<TNetReply> loginReply_;
    TNetFTPListResult listResult_;
    std::unique_ptr<TNetSimpleServer> dataChannel_;
    TNetFTPTZInfo serverTimeZone_;
    std::vector<std::string> languages_;
    bool abortFlag_ = false;
};
