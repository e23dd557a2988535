{ formtext FILE: prints the text form of a binary component stream ("TPF0")
  as Free Pascal's Classes unit reads it (ObjectBinaryToText), to check the
  streams Phrase Desk writes with a reader that is not ours.

  The text is FPC's default (Delphi) text form: every character outside
  printable ASCII is written as #code, so a value reads the same whatever
  encoding it was stored in (vaString keeps its bytes, vaWString its UTF-16
  units, vaUTF8String its code points). The output is plain ASCII.

  Exit code 0 on success; 1 with the reader's message on stderr when it
  raises or when bytes follow the root object's end; 2 on bad usage. }
program formtext;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils;

var
  Input: TFileStream;
  Output: TMemoryStream;
  StdOut: THandleStream;
begin
  if ParamCount <> 1 then
  begin
    WriteLn(StdErr, 'usage: formtext FILE');
    Halt(2);
  end;
  Input := nil;
  Output := TMemoryStream.Create;
  try
    try
      Input := TFileStream.Create(ParamStr(1), fmOpenRead or fmShareDenyWrite);
      ObjectBinaryToText(Input, Output);
      // The reader stops at the root's end; anything after it would be lost.
      if Input.Position <> Input.Size then
        raise EReadError.CreateFmt('%d bytes after the root object''s end',
          [Input.Size - Input.Position]);
    except
      on E: Exception do
      begin
        WriteLn(StdErr, ParamStr(1), ': ', E.ClassName, ': ', E.Message);
        Halt(1);
      end;
    end;
    StdOut := THandleStream.Create(StdOutputHandle);
    try
      StdOut.WriteBuffer(Output.Memory^, Output.Size);
    finally
      StdOut.Free;
    end;
  finally
    Input.Free;
    Output.Free;
  end;
end.
