// Whether a program the installer downloaded or unpacked may run: it must
// carry a valid Authenticode signature made by the company named in the
// product setting "expected_signer".
//
//   bool has_signature = false;
//   bool unsigned_build = IsSignedPeFile(self_path, &has_signature) &&
//                         !has_signature;
//   if (!unsigned_build && !VerifyFileSignature(package_path))
//     return false;  // Do not run the package.
//
// Every byte of a checked file is treated as hostile. Nothing is logged
// here: the callers know what the file was for. Any thread.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SIGNATURE_CHECK_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SIGNATURE_CHECK_H_

#include <stddef.h>
#include <stdint.h>

#include "base/files/file_path.h"
#include "base/win/windows_types.h"

#include <wincrypt.h>

namespace installer {

// True when |path| is a PE image (PE32 or PE32+); |has_signature| then tells
// whether its certificate table is not empty. A missing |has_signature| is a
// broken invariant and stops the process.
bool IsSignedPeFile(const base::FilePath& path, bool* has_signature);

// True when WinTrust accepts the file's signature (revocation is not
// consulted) and one of its signers, or a signer of a nested signature, is
// the expected signer and counts as such (see CheckSignerNames). The file is
// held open against writers for the whole check.
bool VerifyFileSignature(const base::FilePath& path);

// True when a signer of |message|, or of a signature nested in it, is named
// exactly the expected signer and is genuine. The message's first signer is
// the one WinVerifyTrust verified, and counts on its word; every other
// signer, at any depth, counts only when its signature verifies with its
// certificate, its signed content is the Authenticode digest of |image|, and
// its certificate chains to a trusted root for code signing. Nested
// signatures deeper than kMaxSignatureNesting are not read. Closes |store|
// and |message|, whatever the answer.
constexpr int kMaxSignatureNesting = 3;
bool CheckSignerNames(HCERTSTORE store, HCRYPTMSG message, DWORD encoding,
                      const uint8_t* image, size_t image_length);

// Whether |certificate| chains, through |extra_store| if need be, to a root
// this machine trusts, and may sign code. The default builds the chain with
// the machine's engine and accepts it only without any error; revocation is
// not consulted.
using ChainTrustFunction = bool (*)(PCCERT_CONTEXT certificate,
                                    HCERTSTORE extra_store);
bool ChainsToTrustedRoot(PCCERT_CONTEXT certificate, HCERTSTORE extra_store);

// Replaces the chain check that CheckSignerNames makes, for tests on systems
// that cannot be told to trust a test root; null restores the default.
// Returns the function replaced. Not for use while a check runs.
ChainTrustFunction SetChainTrustFunctionForTesting(ChainTrustFunction function);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SIGNATURE_CHECK_H_
