@echo off
rem Runs every test program of this kit, each from a fresh folder under %TEMP%, and writes
rem report.txt and report.xml (JUnit) beside this file. Exit code 0 when everything passed.
rem   run-tests.cmd /force     also where tavrino is installed for this user (put back at the end)
rem   run-tests.cmd /package   the package check for Windows 11's menu (elevated prompt)
setlocal
if /i "%~1"=="/package" goto package
"%~dp0kit_runner.exe" tests %*
exit /b %errorlevel%

:package
"%SystemRoot%\System32\WindowsPowerShell\v1.0\powershell.exe" -NoProfile -ExecutionPolicy Bypass -File "%~dp0package-check.ps1"
exit /b %errorlevel%
