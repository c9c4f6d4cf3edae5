DECLARE @i Integer;
@i = 0;
WHILE TRUE DO @i = @i + 1; END WHILE;