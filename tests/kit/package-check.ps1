# The package for Windows 11's own menu on this machine, with the kit's programs: run by
# "run-tests.cmd /package" from an elevated prompt on Windows 11. It trusts the test certificate
# in Local Machine > Trusted People, lets the configuration program's own registration add the
# package for the kit's bin folder, checks it, removes it and the certificate again, and reports
# each step. Exit code 0: every step passed; 1: a step failed; 2: skipped.
$ErrorActionPreference = 'Stop'
$bin = Join-Path $PSScriptRoot 'bin'
$certificate = Join-Path $bin 'tavrino_contextmenu.cer'
$menuTest = Join-Path $PSScriptRoot 'tests\explorer_menu_test.exe'
$family = '@TAVRINO_PACKAGE_FAMILY_NAME@'
$script:failed = $false

function Step([string] $what, [scriptblock] $action) {
    try {
        & $action
        Write-Host "ok      $what"
    } catch {
        Write-Host "FAILED  $what`n        $($_.Exception.Message)"
        $script:failed = $true
    }
}

function MenuTest([string] $name) {
    & $menuTest --gtest_also_run_disabled_tests "--gtest_filter=RealShellMenu.DISABLED_$name" | Write-Host
    if ($LASTEXITCODE -ne 0) { throw "explorer_menu_test ended with $LASTEXITCODE" }
}

function OurPackage {
    Get-AppxPackage -Name '@TAVRINO_PACKAGE_NAME@' | Where-Object { $_.PackageFamilyName -eq $family }
}

$build = [int] (Get-CimInstance -ClassName Win32_OperatingSystem).BuildNumber
if ($build -lt 22000) {
    Write-Host "skipped: Windows 11 only (this is build $build)"
    exit 2
}
# Elevated: the token carries the high integrity level (a cmdlet-free test, no .NET calls).
if (-not (whoami.exe /groups | Select-String -SimpleMatch -Quiet 'S-1-16-12288')) {
    Write-Host 'skipped: trusting the certificate in Local Machine > Trusted People, adding, checking and removing the package.'
    Write-Host 'Run "run-tests.cmd /package" from an elevated prompt.'
    exit 2
}
& (Join-Path $PSScriptRoot 'kit_runner.exe') check
if ($LASTEXITCODE -ne 0) { exit 2 }

$thumbprint = (Get-PfxCertificate -FilePath $certificate).Thumbprint
$trustedBefore = Test-Path -Path "Cert:\LocalMachine\TrustedPeople\$thumbprint"
try {
    Step 'trust the test certificate in Local Machine > Trusted People' {
        Import-Certificate -FilePath $certificate -CertStoreLocation 'Cert:\LocalMachine\TrustedPeople' | Out-Null
    }
    Step "the configuration program's registration adds the package for $bin (effective external location, menus)" {
        MenuTest 'PackageAddedByTheRegistration'
    }
    Step 'Get-AppxPackage shows the package' {
        $package = OurPackage
        if (-not $package) { throw 'not registered' }
        if ($package.Status -ne 'Ok') { throw "status $($package.Status)" }
        Write-Host "        $($package.PackageFullName) at $($package.InstallLocation)"
    }
    Step "the configuration program's registration removes the package" {
        MenuTest 'PackageRemovedByTheRegistration'
        if (OurPackage) { throw 'Get-AppxPackage still shows it' }
    }
} finally {
    if (-not $trustedBefore) {
        Step 'remove the test certificate again' {
            Remove-Item -Path "Cert:\LocalMachine\TrustedPeople\$thumbprint"
        }
    }
}
if ($script:failed) { exit 1 }
exit 0
