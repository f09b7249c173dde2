# Intune remediation, remediation script: re-maps every reference; the last
# line of output is the run's summary (JSON), which Intune keeps as the
# script's output.
$cli = Join-Path $env:ProgramFiles 'Ostrivane\ostrivane-cli.exe'
$lines = & $cli map --find '\\OLDSRV\Data' --replace '\\NEWSRV\Shared' --json
$status = $LASTEXITCODE
Write-Output ($lines | Select-Object -Last 1)
# 4: finished, but some places could not be changed; they are named in the
# summary's count, and the next detection finds them again.
if ($status -eq 0 -or $status -eq 4) { exit 0 } else { exit $status }
