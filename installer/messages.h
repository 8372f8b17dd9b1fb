#pragma once
// Every text the installer dialog and its workflows show, in one place. The source is UTF-8 and
// the compiler stores these literals in code page 932 (-fexec-charset=CP932).

namespace msg {

// Settings and start-up
inline constexpr char kAppTitle[] = "KESTRALON";
inline constexpr char kTitleSuffix[] = " アップローダー";
inline constexpr char kSettingsUnavailable[] = "設定情報が取得できません。";
inline constexpr char kSaveFileNotFound[] =
    "指定された場所にSAVFファイルが見つかりません。\nSAVFファイルの場所を指定して下さい。";
inline constexpr char kSaveFileDialogTitle[] = "SAVFファイルの選択";
inline constexpr char kSaveFileFilter[] = "SAVFファイル (*.SAVF)|*.SAVF|すべてのﾌｧｲﾙ (*.*)|*.*||";
inline constexpr char kSaveFileExtension[] = "SAVF";
// Without a work folder the job files would land in a drive's root; the installer stops instead.
// A TargetLibrary that is no IBM i name would only fail on the host after the whole upload.
inline constexpr char kInvalidTargetLibrarySetting[] =
    "設定ファイル CONFIG.INI の TargetLibrary の値が正しくありません。\n\n英大文字、数字、$ # @ _ . の10文字以内で、"
    "先頭は英大文字か $ # @ のライブラリー名を指定して下さい。";
// The TLS settings: a wrong value must not quietly mean another mode, or no pin.
inline constexpr char kInvalidTlsSetting[] =
    "設定ファイル CONFIG.INI の Tls の値が正しくありません。\n\nauto、required、off のいずれかを指定して下さい。";
inline constexpr char kInvalidPinSetting[] =
    "設定ファイル CONFIG.INI の TlsCertificateSha256 の値が正しくありません: %s\n\n"
    "証明書の SHA-256 フィンガープリント (16進数64桁、: 区切り可) を、カンマか空白で区切って指定して下さい。";
inline constexpr char kWorkFolderUnavailable[] =
    "作業フォルダーを作成できません。\n環境変数 TEMP のフォルダーを確認して下さい。";

// The form
inline constexpr char kDescriptionFormat[] =
    "%s のインストールを行います。\nインストール先 iSeries のIPアドレス、およびユーザーIDとパスワードを入力して、［OK］"
    "ボタンをクリックして下さい。";
inline constexpr char kLibraryChangeWarning[] =
    "インストール先ライブラリーの変更を選択しました。\n\n指定されたライブラリー以外にインストールした場合、"
    "プログラムによっては\n正しく動作しない可能性があります。\n\n本当に変更しますか？";

// The pre-installation check
inline constexpr char kEnterUserId[] = "ユーザーIDを入力して下さい。";
inline constexpr char kEnterPassword[] = "パスワードを入力して下さい。";
inline constexpr char kEnterLibrary[] = "インストール先ライブラリーを入力して下さい。";
// The user ID and the library name go into CL commands on the host, so only valid IBM i names
// are accepted.
inline constexpr char kInvalidUserId[] =
    "ユーザーIDの指定が正しくありません。\n\n英大文字、数字、$ # @ _ . の10文字以内で、"
    "先頭は英大文字か $ # @ で入力して下さい。";
inline constexpr char kInvalidLibrary[] =
    "インストール先ライブラリーの名前が正しくありません。\n\n英大文字、数字、$ # @ _ . の10文字以内で、"
    "先頭は英大文字か $ # @ で入力して下さい。";
inline constexpr char kResourceLoadFailed[] = "リソースのロードに失敗しました。";
inline constexpr char kConnecting[] = "iSeries に接続しています...";
inline constexpr char kUnknownError[] = "不明なエラーが発生しました。";
inline constexpr char kLogOnFailedCheck[] =
    "iSeries へのログインに失敗しました。\n\nIPアドレス、またはユーザーIDとパスワードに誤りがないか、\n確認して下さい。";
inline constexpr char kNoSaveFileAuthority[] = "ユーザー %s にはSAVFを操作する権限がありません。";
inline constexpr char kNoRestoreAuthority[] = "ユーザー %s にはSAVFを復元する権限がありません。";
inline constexpr char kCheckingLibrary[] = "ライブラリー %s の存在を確認しています...";
inline constexpr char kLibraryExists[] =
    "ライブラリー %s は既に存在します。\n\nこのまま継続すると、既存のオブジェクトに上書きされます。\n続行してよろしいですか？";
inline constexpr char kConfirmCancel[] = "%s のインストールを中止しますか？";
// A put the client never confirmed: the file did not reach the host. On a new PC this is most
// often a firewall that blocks the client's data connection.
inline constexpr char kUploadFailed[] =
    "ファイルを iSeries に送信できませんでした。\n\nネットワーク、またはファイアウォールが通信を妨げている可能性があります。\n"
    "ネットワークとファイアウォールの設定を確認して下さい。";

// TLS (encrypted FTP). Every stop says that the password was not sent: with TLS it goes only over
// a session whose certificate was accepted.
inline constexpr char kTlsNotAvailable[] =
    "iSeries が TLS (暗号化通信) に対応していないため、接続を中止しました。\nパスワードは送信していません。\n\n"
    "iSeries の FTP サーバーに TLS の証明書が割り当てられているか、\niSeries の管理者に確認して下さい。";
inline constexpr char kTlsHandshakeFailed[] =
    "iSeries との TLS (暗号化通信) を確立できなかったため、接続を中止しました。\nパスワードは送信していません。";
// The question about a certificate: the heading, then the certificate (its fingerprint, names and
// validity, each after its label), then the question itself.
inline constexpr char kCertificateNew[] = "iSeries %s の TLS 証明書は、まだ確認されていません。";
inline constexpr char kCertificateChanged[] =
    "警告: iSeries %s の TLS 証明書が、以前に信頼した証明書と異なります。\n\n"
    "証明書が更新された可能性もありますが、第三者が通信を乗っ取ろうとしている\n(攻撃を受けている) 可能性があります。";
inline constexpr char kCertificateFingerprint[] = "SHA-256 フィンガープリント:";
inline constexpr char kCertificateSubject[] = "発行先: ";
inline constexpr char kCertificateIssuer[] = "発行者: ";
inline constexpr char kCertificateValidity[] = "有効期間: ";
inline constexpr char kCertificateValidUntil[] = " ～ ";
inline constexpr char kCertificateQuestion[] =
    "この証明書が正しいことを iSeries の管理者に確認して下さい。\n確認できない場合は［いいえ］を選んで下さい。\n\n"
    "この証明書を信頼して接続しますか？";
inline constexpr char kCertificateUnknown[] =
    "iSeries %s の TLS 証明書を確認できないため、接続を中止しました。\nパスワードは送信していません。\n\n"
    "証明書の SHA-256 フィンガープリントを /certificate-sha256 か、\nCONFIG.INI の TlsCertificateSha256 で指定して下さい。";
inline constexpr char kCertificateChangedDuringRun[] =
    "処理の途中で iSeries の TLS 証明書が変わったため、接続を中止しました。\n"
    "第三者が通信を乗っ取ろうとしている可能性があります。";
inline constexpr char kTlsLost[] = "iSeries との TLS (暗号化通信) を確立できなかったため、処理を中止しました。";

// The installation and its verification
inline constexpr char kRetryingPassive[] = "パッシブモードで再試行しています...";
inline constexpr char kInstalling[] = "オブジェクトを iSeries にインストールしています...";
inline constexpr char kVerifying[] = "インストールの検証をしています...";
inline constexpr char kLogOnFailedInstall[] = "iSeriesへのログインに失敗しました。";
inline constexpr char kCrtsavfFailed[] = "iSeries上での処理が異常終了しました。[CRTSAVF]";
inline constexpr char kNotVerified[] = "一部、または全てのオブジェクトを復元できなかった可能性があります。";
inline constexpr char kInstallCompleted[] = "インストールが正常に完了しました。";
// A job of the installation that has run for a long time may be stuck on a host that no longer
// answers; only then may the user end it, knowing what that leaves behind.
inline constexpr char kConfirmAbandonInstall[] =
    "iSeries からの応答が長い間ありません。\n\niSeries ではまだ処理が続いている可能性があり、\n"
    "ライブラリー %s は不完全な状態になっている可能性があります。\n\nインストールを中止しますか？";
inline constexpr char kInstallAbandoned[] =
    "インストールを中止しました。\n\nライブラリー %s は不完全な状態になっている可能性があります。\n"
    "もう一度インストーラーを実行して下さい。";

// The command line (KESTRALON.EXE /silent /host=... and the rest)
inline constexpr char kBadCommandLine[] =
    "コマンドラインの指定が正しくありません。\n\n%s\n\n/? で指定方法を表示します。";
inline constexpr char kUnknownSwitch[] = "不明な指定です: %s";
inline constexpr char kNotASwitch[] = "/ で始まらない指定があります。";
inline constexpr char kSwitchWithoutValue[] = "値がありません: %s";
inline constexpr char kSwitchTwice[] = "二度指定されています: %s";
inline constexpr char kInvalidHostSwitch[] = "IPアドレスの指定が正しくありません: %s";
inline constexpr char kInvalidOverwriteSwitch[] = "/overwrite には yes か no を指定して下さい: %s";
inline constexpr char kInvalidTlsSwitch[] = "/tls には auto、required、off のいずれかを指定して下さい: %s";
inline constexpr char kInvalidCertificateSwitch[] = "証明書の SHA-256 フィンガープリントが正しくありません: %s";
inline constexpr char kSilentNeedsHost[] = "/silent には /host の指定が必要です。";
inline constexpr char kSilentNeedsUser[] = "/silent には /user の指定が必要です。";
// Other users of the PC can read a process's command line.
inline constexpr char kPasswordNotOnCommandLine[] =
    "パスワードはコマンドラインでは指定できません。\n環境変数 KESTRALON_PASSWORD か標準入力で渡して下さい。";
inline constexpr char kPasswordTooLong[] = "パスワードが長すぎます (10バイトまで)。";
inline constexpr char kUsage[] =
    "使い方:\n%s [/silent] [/host=IPアドレス] [/user=ユーザーID] [/library=ライブラリー]\n"
    "    [/overwrite=yes|no] [/log=ファイル] [/tls=auto|required|off]\n"
    "    [/certificate-sha256=フィンガープリント]\n\n"
    "/silent\t画面を表示せずにインストールします (/host と /user が必要)。\n"
    "\tパスワードは環境変数 KESTRALON_PASSWORD か標準入力で渡します。\n"
    "/host\tインストール先 iSeries のIPアドレス\n"
    "/user\tユーザーID\n"
    "/library\tインストール先ライブラリー (省略時は推奨ライブラリー)\n"
    "/overwrite\t既存のライブラリーに上書きするか (省略時は no)\n"
    "/log\tログファイル (省略時は %LOCALAPPDATA%\\%s\\logs)\n"
    "/tls\tTLS (暗号化通信): auto 可能なら使用、required 必須、off 使用しない\n"
    "/certificate-sha256\t信頼する iSeries の証明書の SHA-256 (複数指定可)\n\n"
    "/silent なしでは、指定した値を入力欄に設定して画面を表示します。\n\n"
    "終了コード: 0 正常終了、1 指定の誤り、2 ログイン失敗、3 権限なし、\n"
    "4 ライブラリーが既に存在、5 送信失敗、6 iSeries上の処理の異常終了、\n"
    "7 検証失敗、8 不明なエラー、9 既に起動しています、\n"
    "10 信頼できる TLS 接続ができません";

}  // namespace msg
