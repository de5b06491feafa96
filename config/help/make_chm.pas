{ Compiles the help pages into one .chm with the Free Pascal CHM writer.

  make_chm OUT.chm SOURCE_DIR --title T --default PAGE --toc FILE --index FILE
           [--context NUMBER=PAGE]... FILE...

  The sources are UTF-8. The viewer of Japanese Windows reads the title, the contents and the
  index in the file's code page (932), so every text file goes in as Shift_JIS, and each page's
  charset declaration is rewritten to say so. A character code page 932 cannot hold stops the
  build instead of turning into "?".

  Context numbers are written by us with paths from the archive's root: the project compiler
  records build-machine paths there, which the viewer cannot open. }
program make_chm;

{$mode objfpc}{$H+}

uses
  cwstring, SysUtils, Classes, contnrs, chmwriter, chmtypes;

type
  TBuilder = class
    SourceDir: String;
    Files: TStringList;       // pages and other files, as named in the archive
    Contexts: TStringList;    // NUMBER=PAGE
    TocFile, IndexFile: String;
    TocData, IndexData: TMemoryStream;
    constructor Create;
    destructor Destroy; override;
    function GetData(const DataName: String; out PathInChm: String; out FileName: String;
      var Stream: TStream): Boolean;
    procedure LastFile(Sender: TObject);
  end;

procedure Fail(const Msg: String);
begin
  WriteLn(StdErr, 'make_chm: ', Msg);
  Halt(1);
end;

function ReadFileBytes(const Path: String): RawByteString;
var
  S: TFileStream;
begin
  if not FileExists(Path) then Fail('missing ' + Path);
  S := TFileStream.Create(Path, fmOpenRead or fmShareDenyWrite);
  try
    SetLength(Result, S.Size);
    if S.Size > 0 then S.ReadBuffer(Result[1], S.Size);
  finally
    S.Free;
  end;
end;

{ UTF-8 text to code page 932; fails on bytes that are not UTF-8 and on characters 932 lacks. }
function ToShiftJis(const Utf8: RawByteString; const Name: String): RawByteString;
var
  Source: RawByteString;
  Wide, Back: UnicodeString;
  I: Integer;
begin
  Source := Utf8;
  SetCodePage(Source, CP_UTF8, False);
  Wide := UnicodeString(Source);
  if UTF8Encode(Wide) <> Utf8 then Fail(Name + ' is not valid UTF-8');
  Result := RawByteString(Wide);
  SetCodePage(Result, 932, True);
  Back := UnicodeString(Result);
  if Back <> Wide then
    for I := 1 to Length(Wide) do
      if (I > Length(Back)) or (Back[I] <> Wide[I]) then
        Fail(Format('%s: U+%.4X at character %d has no Shift_JIS form', [Name, Ord(Wide[I]), I]));
end;

function IsTextFile(const Name: String): Boolean;
var
  Ext: String;
begin
  Ext := LowerCase(ExtractFileExt(Name));
  Result := (Ext = '.htm') or (Ext = '.html') or (Ext = '.hhc') or (Ext = '.hhk') or (Ext = '.css');
end;

function IsPage(const Name: String): Boolean;
var
  Ext: String;
begin
  Ext := LowerCase(ExtractFileExt(Name));
  Result := (Ext = '.htm') or (Ext = '.html');
end;

{ The bytes a file goes into the archive with. }
function Prepared(const Dir, Name: String): RawByteString;
const
  Declared = 'charset=utf-8';
var
  Text: RawByteString;
  At: Integer;
begin
  Text := ReadFileBytes(IncludeTrailingPathDelimiter(Dir) + Name);
  if not IsTextFile(Name) then Exit(Text);
  if IsPage(Name) then
  begin
    At := Pos(Declared, LowerCase(Text));
    if At = 0 then Fail(Name + ' does not declare charset=utf-8');
    Text := Copy(Text, 1, At - 1) + 'charset=Shift_JIS' + Copy(Text, At + Length(Declared), MaxInt);
  end;
  Result := ToShiftJis(Text, Name);
end;

function StreamOf(const Bytes: RawByteString): TMemoryStream;
begin
  Result := TMemoryStream.Create;
  if Length(Bytes) > 0 then Result.WriteBuffer(Bytes[1], Length(Bytes));
  Result.Position := 0;
end;

constructor TBuilder.Create;
begin
  Files := TStringList.Create;
  Contexts := TStringList.Create;
end;

destructor TBuilder.Destroy;
begin
  Files.Free;
  Contexts.Free;
  TocData.Free;
  IndexData.Free;
  inherited Destroy;
end;

function TBuilder.GetData(const DataName: String; out PathInChm: String; out FileName: String;
  var Stream: TStream): Boolean;
var
  Bytes: RawByteString;
begin
  Bytes := Prepared(SourceDir, DataName);
  if Length(Bytes) > 0 then Stream.WriteBuffer(Bytes[1], Length(Bytes));
  PathInChm := '/';
  FileName := DataName;
  Result := False;  // True would stop the writer
end;

procedure TBuilder.LastFile(Sender: TObject);
begin
  TChmWriter(Sender).AppendTOC(TocData);
  TChmWriter(Sender).AppendIndex(IndexData);
end;

var
  Builder: TBuilder;
  Writer: TChmWriter;
  Output: TFileStream;
  Window: TCHMWindow;
  WindowList: TObjectList;
  OutPath, Title, DefaultPage, Arg, Page: String;
  I, Number: Integer;
begin
  if ParamCount < 2 then
    Fail('usage: make_chm OUT.chm SOURCE_DIR --title T --default PAGE --toc FILE --index FILE [--context N=PAGE]... FILE...');
  Builder := TBuilder.Create;
  OutPath := ParamStr(1);
  Builder.SourceDir := ParamStr(2);
  I := 3;
  while I <= ParamCount do
  begin
    Arg := ParamStr(I);
    if (Arg = '--title') or (Arg = '--default') or (Arg = '--toc') or (Arg = '--index') or (Arg = '--context') then
    begin
      if I = ParamCount then Fail(Arg + ' needs a value');
      Inc(I);
      if Arg = '--title' then Title := ParamStr(I)
      else if Arg = '--default' then DefaultPage := ParamStr(I)
      else if Arg = '--toc' then Builder.TocFile := ParamStr(I)
      else if Arg = '--index' then Builder.IndexFile := ParamStr(I)
      else Builder.Contexts.Add(ParamStr(I));
    end
    else
      Builder.Files.Add(Arg);
    Inc(I);
  end;
  if (Title = '') or (DefaultPage = '') or (Builder.TocFile = '') or (Builder.IndexFile = '') then
    Fail('--title, --default, --toc and --index are required');
  if Builder.Files.IndexOf(DefaultPage) < 0 then Fail('default page ' + DefaultPage + ' is not among the files');

  // Every file is checked before the writer starts: it cannot stop cleanly halfway.
  for I := 0 to Builder.Files.Count - 1 do Prepared(Builder.SourceDir, Builder.Files[I]);
  Builder.TocData := StreamOf(Prepared(Builder.SourceDir, Builder.TocFile));
  Builder.IndexData := StreamOf(Prepared(Builder.SourceDir, Builder.IndexFile));
  Title := ToShiftJis(Title, '--title');
  for I := 0 to Builder.Contexts.Count - 1 do
  begin
    Number := StrToIntDef(Builder.Contexts.Names[I], -1);
    Page := Builder.Contexts.ValueFromIndex[I];
    if (Number < 0) or (Builder.Files.IndexOf(Page) < 0) then
      Fail('context ' + Builder.Contexts[I] + ' does not name a number and a page of the file');
  end;

  DeleteFile(OutPath);
  Output := TFileStream.Create(OutPath + '.part', fmCreate);
  Writer := TChmWriter.Create(Output, False);
  try
    Writer.OnGetFileData := @Builder.GetData;
    Writer.OnLastFile := @Builder.LastFile;
    Writer.FilesToCompress.AddStrings(Builder.Files);
    Writer.Title := Title;
    Writer.DefaultPage := DefaultPage;
    Writer.TocName := Builder.TocFile;
    Writer.IndexName := Builder.IndexFile;
    Writer.LocaleID := $0411;  // Japanese: the code page of every text in the file
    Writer.FullTextSearch := False;  // the writer's word index knows no Japanese
    Writer.ReadmeMessage := '';

    // One tri-pane window with the contents and the index.
    Window := TCHMWindow.Create;
    Window.window_type := 'main';
    Window.Title_bar_text := Title;
    Window.Toc_file := Builder.TocFile;
    Window.index_file := Builder.IndexFile;
    Window.Default_File := DefaultPage;
    Window.Home_button_file := DefaultPage;
    Window.nav_style := $2120;   // tri-pane, synchronised contents, title follows the page
    Window.navpanewidth := 240;
    Window.buttons := $304E;     // hide/show, back, forward, home, options, print
    Window.flags := [valid_Navigation_pane_style, valid_Navigation_pane_width, valid_Buttons];
    WindowList := TObjectList.Create(True);
    WindowList.Add(Window);
    Writer.Windows := WindowList;
    Writer.DefaultWindow := 'main';

    for I := 0 to Builder.Contexts.Count - 1 do
      Writer.AddContext(StrToInt(Builder.Contexts.Names[I]), '/' + Builder.Contexts.ValueFromIndex[I]);

    Writer.Execute;
  finally
    Writer.Free;
    Output.Free;
  end;
  WindowList.Free;
  Builder.Free;
  // Written aside and moved at the end, so a failed run never leaves a file that looks built.
  if not RenameFile(OutPath + '.part', OutPath) then Fail('cannot replace ' + OutPath);
end.
