// CLK-1 fixed: the enable selects the data; the clock comes from the pin.
module clk1_fixed(input clk, input en, input rst_n, input [3:0] d, output reg [3:0] q);
  always @(posedge clk or negedge rst_n)
    if (!rst_n) q <= 4'd0;
    else if (en) q <= d;
endmodule
