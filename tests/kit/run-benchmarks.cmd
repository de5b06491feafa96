@echo off
rem Runs every benchmark program of this kit and writes their figures to benchmarks.txt beside
rem this file.   run-benchmarks.cmd /force   also where tavrino is installed for this user.
setlocal
"%~dp0kit_runner.exe" bench %*
exit /b %errorlevel%
