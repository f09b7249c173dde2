# Intune remediation, detection script: exit 1 (issue found, remediation runs)
# while any reference to the old file server is left, 0 when none is.
$cli = Join-Path $env:ProgramFiles 'Ostrivane\ostrivane-cli.exe'
& $cli map --find '\\OLDSRV\Data' --replace '\\NEWSRV\Shared' --preview --exit-code
switch ($LASTEXITCODE) {
  0 { Write-Output 'No reference to \\OLDSRV\Data is left.'; exit 0 }
  5 { Write-Output 'References to \\OLDSRV\Data remain.'; exit 1 }
  default { Write-Output "Ostrivane preview failed with exit status $LASTEXITCODE."; exit 1 }
}
